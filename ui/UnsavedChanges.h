#pragma once
// The unsaved-changes guard: counts the "set" and "reset" lines the board
// has taken since its settings were last stored in flash, whoever sent them
// (a settings window, the load, the console). A line the board answered with
// text of refusal changed nothing and is not counted; one whose prompt never
// came may have been taken and is. The board stores its general settings
// ("save config") and its channels and mixers ("save controls") separately,
// so the two kinds are counted apart and each save, once the board has said
// it is done, clears only its own kind: after "save config" alone, changed
// channels are still unsaved. A "set" that writes the value the board is
// known to hold (from a listing it gave, rows of channels, mixers and
// waypoints included, or a set since) changes nothing and is not counted; a
// reset makes every value unknown again.

#include "link/BoardLinkUnit.h"

#include <QHash>
#include <QObject>
#include <QString>

class TPanelContext;

class TUnsavedChanges : public QObject {
    Q_OBJECT
public:
    // Watches every command line `link` sends.
    explicit TUnsavedChanges(TBoardLink& link, QObject* parent = nullptr);

    int Count() const { return m_config + m_controls; }
    int ConfigCount() const { return m_config; }
    int ControlsCount() const { return m_controls; }

    // Takes into account one command line the board has taken.
    void Note(const QByteArray& line);
    // Learns from a listing's "name = value" line what the board holds.
    void NoteAnswer(const QByteArray& command, const QByteArray& line);

signals:
    void CountChanged(int count);
    // The board restarted: the `count` unsaved changes were lost with it
    // (it came back with what its flash holds), and the count is now 0.
    void LostWithRestart(int count);

private:
    int m_config = 0;
    int m_controls = 0;
    QHash<QByteArray, QByteArray> m_held; // lower-cased name -> value
};

// The status bar's note for a count; empty for 0.
QString UnsavedNote(int count);

// What the operator chose when asked about unsaved changes before closing.
enum class TCloseChoice { Save, DontSave, Stay };

// Asks (through the dialog facade) whether to store `count` unsaved changes
// in flash before the panel closes: "Сохранить" / "Не сохранять" / "Отмена".
// A box closed without a choice means stay.
TCloseChoice AskSaveBeforeClose(int count);

// Sends "save config" and "save controls" and waits for the board's prompts,
// so that both have reached the board before the link is closed. False when
// a prompt did not come (or another conversation holds the board).
bool SaveToFlash(TPanelContext& panel);
