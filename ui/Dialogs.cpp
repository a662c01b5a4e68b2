#include "ui/Dialogs.h"

#include "link/OutputFile.h"

#include <QApplication>
#include <QFileDialog>
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

namespace {
// The widget dialog rather than the desktop's own: its default suffix is
// added before the overwrite check, so "plane" typed where "plane.cfg"
// exists brings the question. The kinds show as their patterns ("*.cfg").
void Prepare(QFileDialog& d, const QString& filter) {
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setOption(QFileDialog::HideNameFilterDetails);
    d.setNameFilters(filter.split(";;"));
    d.setSizeGripEnabled(true);
}

QString Chosen(QFileDialog& d) {
    if (d.exec() != QDialog::Accepted)
        return {};
    const QStringList files = d.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
} // namespace

QString TQtDialogs::OpenFileName(const QString& title, const QString& filter) {
    // Any name may be typed: the caller checks it (and may try its
    // default extension).
    QFileDialog d(Parent(), title);
    Prepare(d, filter);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::AnyFile);
    return Chosen(d);
}

QString TQtDialogs::SaveFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt) {
    QFileDialog d(Parent(), title);
    Prepare(d, filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setDefaultSuffix(defaultExt);
    return Chosen(d);
}

bool SaveFileWhole(const QString& name, const QByteArray& bytes) {
    TOutputFile file(name);
    if (!file.Open() || !file.Write(bytes) || !file.Commit()) {
        Dialogs().Error(QStringLiteral("Не удалось записать файл %1: %2").arg(name, file.Error()) +
                        (file.Existed() && !file.InPlace()
                             ? QStringLiteral("\nПрежний файл оставлен без изменений.")
                             : QString()));
        return false;
    }
    if (file.NotAtomic())
        Dialogs().Message(file.NotAtomicNote());
    return true;
}
