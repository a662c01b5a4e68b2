// vantor-cp: the Vantor control panel. `--demo` starts the simulated board
// and opens the connect dialog with its port filled in; `--screenshots DIR`
// (with `--demo`) then pictures every window into DIR and ends; `--view-log
// FILE` opens the flight log viewer on FILE without connecting. `--help` and
// `--version` print and end; a command line the panel does not know ends it
// with status 2, before any window or display is touched.

#include "app/MAIN.h"
#include "app/DemoBoard.h"
#include "app/ScreenshotTour.h"
#include "link/Proc.h"
#include "ui/Dialogs.h"
#include "ui/PanelApplication.h"
#include "viewer/WinViewLogUnit.h"

#include <QCommandLineParser>
#include <cstdio>
#include <memory>

namespace {
// Exit status of a command line the panel refuses, as vantor-cli's.
constexpr int ExitUsage = 2;

// The options the application object takes out of the command line itself
// (`-style fusion`, `-platform xcb`, ...), with a value and without: known
// here so that they are not refused, and left out of --help.
const char* const ToolkitOptions[] = {"platform",        "platformpluginpath",
                                      "platformtheme",   "plugin",
                                      "qwindowgeometry", "qwindowtitle",
                                      "qwindowicon",     "geometry",
                                      "title",           "icon",
                                      "display",         "name",
                                      "visual",          "session",
                                      "style",           "stylesheet",
                                      "qmljsdebugger"};
const char* const ToolkitFlags[] = {"reverse", "widgetcount", "testability",
                                    "sync",    "nograb",      "dograb"};

struct TCommandLine {
    bool Demo = false;
    QString ScreenshotDir; // empty: no tour
    bool ViewLog = false;
    QString ViewLogFile;
};

// Reads the command line without an application object, so that --help,
// --version and a refusal work where no display can be opened. Returns the
// exit status when the program is to end here, -1 to go on.
int ParseCommandLine(int argc, char** argv, TCommandLine& line) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // Single-dash words are whole option names, as the toolkit writes its own.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription("Control panel for the Vantor autopilot board: connects over "
                                     "a serial port to read and edit the board's settings.");
    const QCommandLineOption help({"h", "help"}, "Show this help and end.");
    const QCommandLineOption version({"v", "version"}, "Show the program's version and end.");
    const QCommandLineOption demo("demo", "Start the simulated board and fill its port into the "
                                          "connect dialog; it stops when the panel closes.");
    const QCommandLineOption screenshots(
        "screenshots", "With --demo: picture every window into DIR, one PNG each, and end.", "DIR");
    const QCommandLineOption viewLog(
        "view-log", "Open the flight log viewer on FILE without connecting.", "FILE");
    parser.addOptions({help, version, demo, screenshots, viewLog});
    const auto addHidden = [&parser](const auto& names, const QString& valueName) {
        for (const char* name : names) {
            QCommandLineOption o(name, QString(), valueName);
            o.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(o);
        }
    };
    addHidden(ToolkitOptions, "value");
    addHidden(ToolkitFlags, QString());
    const auto refuse = [](QString text) {
        if (text.endsWith('.'))
            text.chop(1);
        std::fprintf(stderr, "vantor-cp: %s (see --help)\n", qPrintable(text));
        return ExitUsage;
    };
    if (!parser.parse(args))
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse("unexpected argument '" + parser.positionalArguments().first() + "'");
    if (parser.isSet(help)) {
        // Without an application object the usage line has no program name.
        std::printf("%s", qPrintable(parser.helpText().replace("<executable_name>", "vantor-cp")));
        return 0;
    }
    if (parser.isSet(version)) {
        // The same numbers as the caption and the About box.
        std::printf("%s\n", qPrintable(GetFileVersionText(QString(), "vantor-cp %d.%d.%d.%d")));
        return 0;
    }
    line.Demo = parser.isSet(demo);
    line.ScreenshotDir = parser.value(screenshots);
    line.ViewLog = parser.isSet(viewLog);
    line.ViewLogFile = parser.value(viewLog);
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    TCommandLine line;
    if (const int status = ParseCommandLine(argc, argv, line); status >= 0)
        return status;

    TPanelApplication app(argc, argv);
    // The application title: message boxes carry it as their caption.
    QCoreApplication::setOrganizationName("Vantor");
    QCoreApplication::setApplicationName("Контрольная панель");

    TMainFormOptions options;
    std::unique_ptr<TDemoBoard> demo; // outlives the main window: the port closes first
    if (line.Demo) {
        demo = std::make_unique<TDemoBoard>();
        if (demo->Start()) {
            options.PresetPort = demo->PortPath();
            options.SettingsFile = demo->SettingsFile();
            // The simulated board's changes stay out of the operator's journal.
            if (qEnvironmentVariableIsEmpty("VANTOR_JOURNAL"))
                qputenv("VANTOR_JOURNAL", demo->JournalFile().toLocal8Bit());
        } else {
            Dialogs().Error("Демонстрационный режим: " + demo->Error());
            demo.reset();
        }
    }
    std::unique_ptr<TScreenshotTour> tour;
    if (!line.ScreenshotDir.isEmpty()) {
        tour = std::make_unique<TScreenshotTour>(line.ScreenshotDir);
        tour->Install(options);
    }
    if (line.ViewLog)
        options.AutoConnect = false;
    TMainForm form(options);
    if (tour)
        form.resize(1280, 800);
    form.show();
    if (tour)
        tour->Start(form);
    if (line.ViewLog)
        OpenFlightLogViewer(line.ViewLogFile);
    return app.exec();
}
