#include "ui/PanelApplication.h"

#include "link/Proc.h"
#include "ui/Dialogs.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TPanelApplication::TPanelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The toolkit's own texts (file dialog, its overwrite question, the
    // standard buttons) in Russian, like the rest of the panel, when the
    // system has the translation.
    auto* qt = new QTranslator(this);
    if (qt->load(QLocale(QLocale::Russian), "qtbase", "_",
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qt);
}

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
