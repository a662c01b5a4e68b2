// vantor-cp: the Vantor control panel. `--demo` starts the simulated board
// and opens the connect dialog with its port filled in; `--screenshots DIR`
// (with `--demo`) then pictures every window into DIR and ends.

#include "app/MAIN.h"
#include "app/DemoBoard.h"
#include "app/ScreenshotTour.h"
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
    TMainForm form(options);
    if (tour)
        form.resize(1280, 800);
    form.show();
    if (tour)
        tour->Start(form);
    return app.exec();
}
