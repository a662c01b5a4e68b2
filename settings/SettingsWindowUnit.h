#pragma once
// TSettingsWindow: what every settings window shares, whatever its listing:
// the bottom panel with its buttons, the listing read with its bounded wait,
// the reset-and-relist procedure and the lifecycle on top of TTaskWindow.
//
// How to build a settings window on it
// ------------------------------------
//  * Construct with the caption and whether the window has "Применить".
//    Build the form inside Content() (it has no layout yet: install one).
//  * Implement ListParams(): clear what the window keeps of the board,
//    then call ReadListing(command, onLine) and return its result. It runs
//    from FormCreate() when the window opens (TListingEnd::Nothing drops
//    the window) and again after a reset.
//  * Implement ApplyChangedValues(): send what the operator changed; return
//    false to keep the window open (e.g. after telling the operator that a
//    value cannot be sent). BitBtn1 (OK) applies and closes only when it
//    returns true; BitBtn3 applies and stays.
//  * A reset button calls ResetAndRelist("reset ...\r\n").
//  * Closing by any means (OK, "Отмена", the close box, the frame closing)
//    runs FormClose() once; the destructor is the FormDestroy point.
//    Neither is needed unless the window holds something (e.g. a stream).
//
// Waiting: every exchange goes through the link's one conversation. The
// listing at opening runs in a turn of the board (the window waits, greyed,
// while another holds it) and never processes window messages; it sleeps
// until the board's next line and gives up after ListingSilenceMs of
// silence, telling the operator in Russian. Apply and reset are refused
// while another conversation holds the board. ResetAndRelist waits at most
// 1000 ms for the reset's prompt (processing window messages meanwhile, with
// the window disabled and its closing deferred), then relists; a prompt that
// comes later is taken in before the listing is sent.

#include "ui/TaskWindow.h"

#include <functional>

class QPushButton;
class QHBoxLayout;

class TSettingsWindow : public TTaskWindow {
    Q_OBJECT
public:
    TSettingsWindow(const QString& caption, bool hasApplyButton, QWidget* parent = nullptr);

    // Runs ListParams(); false (window dropped) when the board sent nothing.
    bool FormCreate() override;
    bool ListsOnOpen() const override { return true; }

    // How a listing ended.
    enum class TListingEnd {
        Prompt,  // the board's prompt came: the listing is complete
        Partial, // the board fell silent after some lines
        Nothing, // the board sent nothing before falling silent
    };

    QPushButton* BitBtn1 = nullptr; // "OK": apply, then close
    QPushButton* BitBtn2 = nullptr; // "Отмена": close, nothing sent
    QPushButton* BitBtn3 = nullptr; // "Применить": apply, stay (nullptr when absent)

protected:
    // The form area above the bottom panel.
    QWidget* Content() const { return m_content; }
    // The bottom panel's button row (the buttons sit at its right end); a
    // window may insert its own buttons at the left.
    QHBoxLayout* ButtonRow() const { return m_buttonRow; }

    virtual TListingEnd ListParams() = 0;
    virtual bool ApplyChangedValues() = 0;

    // Sends `command` and hands every answer line to `onLine` until the
    // prompt. When the answer does not end at its prompt the operator is
    // told and the result says what came. A conversion error thrown by
    // `onLine` ends the listing and propagates (the rest of the answer is
    // discarded before the board's next command). `filledBefore`: an earlier
    // listing of the same window has filled it (the window opens even if
    // this one brings nothing).
    TListingEnd ReadListing(const QByteArray& command,
                            const std::function<void(const QByteArray&)>& onLine,
                            bool filledBefore = false);

    // The reset procedure: refused while another conversation holds the
    // board; else the command is sent (the automatic backup goes first), its
    // prompt waited for up to 1000 ms and ListParams() runs again, in the
    // same turn. Does nothing while another reset runs; skips the relisting
    // when the operator closed the window meanwhile.
    void ResetAndRelist(const QByteArray& resetCommand);

    virtual void BitBtn1Click();
    virtual void BitBtn2Click();
    virtual void BitBtn3Click();

private:
    QWidget* m_content;
    QHBoxLayout* m_buttonRow;
    bool m_opened = false; // the first listing is over (later ones are relistings)
    // How listings wait: without window messages at opening; with them (the
    // window busy) when relisting after a reset, so that a reset's late
    // prompt can be waited for and the wait stopped.
    TWaitMode m_listMode = TWaitMode::NoEvents;
};
