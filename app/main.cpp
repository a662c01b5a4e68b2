// vantor-cp: the Vantor control panel. `--demo` starts the simulated board
// and opens the connect dialog with its port filled in; `--screenshots DIR`
// (with `--demo`) then pictures every window into DIR and ends; `--view-log
// FILE` opens the flight log viewer on FILE without connecting.

#include "app/MAIN.h"
#include "app/DemoBoard.h"
#include "app/ScreenshotTour.h"
#include "archive/WinViewLogUnit.h"
#include "ui/Dialogs.h"
#include "ui/PanelApplication.h"

#include <memory>

int main(int argc, char** argv) {
    TPanelApplication app(argc, argv);
    // The application title: message boxes carry it as their caption.
    QCoreApplication::setOrganizationName("Vantor");
    QCoreApplication::setApplicationName("Контрольная панель");

    TMainFormOptions options;
    std::unique_ptr<TDemoBoard> demo; // outlives the main window: the port closes first
    if (QCoreApplication::arguments().contains("--demo")) {
        demo = std::make_unique<TDemoBoard>();
        if (demo->Start()) {
            options.PresetPort = demo->PortPath();
            options.SettingsFile = demo->SettingsFile();
        } else {
            Dialogs().Error("Демонстрационный режим: " + demo->Error());
            demo.reset();
        }
    }
    std::unique_ptr<TScreenshotTour> tour;
    const QStringList args = QCoreApplication::arguments();
    if (const int at = args.indexOf("--screenshots"); at >= 0 && at + 1 < args.size()) {
        tour = std::make_unique<TScreenshotTour>(args[at + 1]);
        tour->Install(options);
    }
    // `--view-log FILE`: the flight log viewer on FILE, without connecting.
    const qsizetype viewAt = args.indexOf("--view-log");
    const QString viewFile = viewAt >= 0 && viewAt + 1 < args.size() ? args[viewAt + 1] : QString();
    if (viewAt >= 0)
        options.AutoConnect = false;
    TMainForm form(options);
    if (tour)
        form.resize(1280, 800);
    form.show();
    if (tour)
        tour->Start(form);
    if (viewAt >= 0)
        OpenFlightLogViewer(viewFile);
    return app.exec();
}
