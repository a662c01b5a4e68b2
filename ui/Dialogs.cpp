#include "ui/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
TDialogs* g_dialogs = nullptr;

QWidget* Parent() {
    return QApplication::activeWindow();
}
} // namespace

TDialogs& Dialogs() {
    static TQtDialogs screen;
    return g_dialogs ? *g_dialogs : screen;
}

void SetDialogs(TDialogs* dialogs) {
    g_dialogs = dialogs;
}

void TQtDialogs::Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, Parent());
    box.exec();
}

void TQtDialogs::Error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, Parent());
    box.exec();
}

int TQtDialogs::Ask(const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, Parent());
    QList<QAbstractButton*> made;
    for (const QString& b : buttons)
        made << box.addButton(b, QMessageBox::ActionRole);
    box.exec();
    return made.indexOf(box.clickedButton());
}

QString TQtDialogs::OpenFileName(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(Parent(), title, QString(), filter);
}

QString TQtDialogs::SaveFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt) {
    // The file dialog asks before overwriting an existing file.
    QString name = QFileDialog::getSaveFileName(Parent(), title, QString(), filter);
    if (!name.isEmpty() && !defaultExt.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += "." + defaultExt;
    return name;
}
