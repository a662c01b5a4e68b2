#include "ui/PanelApplication.h"

#include "link/Proc.h"
#include "ui/Dialogs.h"

TPanelApplication::TPanelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TPanelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EConvertError& e) {
        Dialogs().Error(e.Message());
    } catch (const std::exception& e) {
        Dialogs().Error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
