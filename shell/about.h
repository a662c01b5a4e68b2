#pragma once
// The About box: the panel's own version and, when connected, the board's
// autopilot and receiver software versions, asked with "ver".

#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // Runs the version query before the box is shown; when another
    // conversation holds the board, the box shows that it waits and asks
    // once the board is free. `appVersion` is the panel's own version.
    TAboutBox(QWidget* owner, const QString& appVersion, const QIcon& icon = QIcon());

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QLabel* CP_Ver;
    QLabel* Label1;
    QLabel* AP_Ver;
    QLabel* Label2;
    QLabel* STDAPP_Ver;

    // The version after the first ":" of a reply line, trimmed.
    static QByteArray VersionAfterColon(const QByteArray& line);

    // The board's versions are still to come.
    bool Waiting() const { return m_waiting; }

private:
    void QueryVersions();
    void AskBoard();

    bool m_waiting = false;
};
