// vantor-cp: the Vantor control panel. `--demo` starts the simulated board
// and opens the connect dialog with its port filled in.

#include "app/MAIN.h"
#include "app/DemoBoard.h"
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
    // `--view-log FILE`: the flight log viewer on FILE, without connecting.
    const QStringList args = QCoreApplication::arguments();
    const qsizetype viewAt = args.indexOf("--view-log");
    const QString viewFile = viewAt >= 0 && viewAt + 1 < args.size() ? args[viewAt + 1] : QString();
    if (viewAt >= 0)
        options.AutoConnect = false;
    TMainForm form(options);
    form.show();
    if (viewAt >= 0)
        OpenFlightLogViewer(viewFile);
    return app.exec();
}
