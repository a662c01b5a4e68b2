#pragma once
// A picture of every window of the panel, for the documentation: the
// connect dialog, each window the menus open (once it holds the board's
// answers and, for the monitors, a few seconds of data), and the About box,
// one PNG each in a folder. Started by `vantor-cp --demo --screenshots DIR`;
// the program ends when the tour is done.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;
class TMainForm;
struct TMainFormOptions;

class TScreenshotTour : public QObject {
public:
    explicit TScreenshotTour(QString dir);
    // Answers the main window's modal dialogs: pictured, then accepted.
    void Install(TMainFormOptions& options);
    // Goes through the windows once the form is connected.
    void Start(TMainForm& form);

private:
    void Next();
    void Open(const QString& action);
    bool Save(QWidget& w, const QString& name);

    QString m_dir;
    TMainForm* m_form = nullptr;
    QStringList m_todo; // actions still to picture
    int m_failed = 0;
};
