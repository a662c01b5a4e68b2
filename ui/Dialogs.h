#pragma once
// One small facade for message boxes and file dialogs, so that tests can
// answer a dialog and read a message instead of a person.

#include <QString>
#include <QStringList>

class QWidget;

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // A plain message box: no icon, OK, the application title as caption.
    virtual void Message(const QString& text) = 0;
    // The framework's error box (conversion and file errors).
    virtual void Error(const QString& text) = 0;
    // A question with the given buttons; returns the chosen index, or -1 when
    // the box was closed without a choice.
    virtual int Ask(const QString& text, const QStringList& buttons) = 0;
    // File dialogs; an empty result means the operator cancelled.
    // `filter` as Qt takes it ("Config (*.cfg);;All (*)"); `defaultExt`
    // without the dot is added when the operator typed none.
    virtual QString OpenFileName(const QString& title, const QString& filter) = 0;
    virtual QString SaveFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt) = 0;
};

// Writes `bytes` as the file `name` whole (a checked flush, then the rename;
// a FIFO or device as it is) and tells the operator, through the facade,
// when that failed (the old file kept) or could only be done in place.
// True when the file holds the bytes.
bool SaveFileWhole(const QString& name, const QByteArray& bytes);

// The facade in use (message boxes on screen unless a test replaced it).
TDialogs& Dialogs();
// Replaces the facade; nullptr restores the on-screen one. Not owned.
void SetDialogs(TDialogs* dialogs);

// The on-screen implementation.
class TQtDialogs : public TDialogs {
public:
    void Message(const QString& text) override;
    void Error(const QString& text) override;
    int Ask(const QString& text, const QStringList& buttons) override;
    QString OpenFileName(const QString& title, const QString& filter) override;
    QString SaveFileName(const QString& title, const QString& filter,
                         const QString& defaultExt) override;
};
