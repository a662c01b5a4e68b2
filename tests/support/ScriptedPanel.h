#pragma once
// Stand-in main windows on a stand-in board built over the panel's link.
// TScriptedPanel's board is a script (TScriptedBoard): each command gets the
// lines the test set for it, then the prompt, from a thread of its own, in
// the order the commands were sent. Every command line is recorded as sent.

#include "ScriptedBoard.h"
#include "ui/PanelContext.h"

#include <QMdiArea>
#include <QMdiSubWindow>

template <class TBoard> class TBoardPanel : public TPanelContext {
public:
    explicit TBoardPanel(IClock* clock = nullptr) : m_link(clock), Board(m_link) {
        MainForm = this;
        Connected = true;
        m_area.resize(1024, 768);
    }
    ~TBoardPanel() override {
        m_area.closeAllSubWindows();
        if (MainForm == this)
            MainForm = nullptr;
    }

    TBoardLink& Link() override { return m_link; }
    void AddChildWindow(QMdiSubWindow* window) override { m_area.addSubWindow(window); }
    QMdiArea& Area() { return m_area; }

private:
    TBoardLink m_link;

public:
    TBoard Board;

private:
    QMdiArea m_area;
};

class TScriptedPanel : public TBoardPanel<TScriptedBoard> {
public:
    using TBoardPanel::TBoardPanel;
    void SetAnswer(const QByteArray& command, const QByteArrayList& lines, bool prompt = true,
                   int delayMs = 0) {
        Board.SetAnswer(command, lines, prompt, delayMs);
    }
    void SetSilent(bool silent) { Board.SetSilent(silent); }
    void Inject(const QByteArrayList& lines) { Board.Inject(lines); }
    QByteArrayList TakeSent() { return Board.TakeSent(); }
};
