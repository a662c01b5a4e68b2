#pragma once
// A stand-in main window whose board is a TFakeBoard: the windows' exchange
// goes straight to scripted answers, so a test can hold the board silent or
// slow at exactly the line it wants.

#include "FakeBoard.h"
#include "ui/PanelContext.h"

#include <QMdiArea>
#include <QMdiSubWindow>

class TFakePanel : public TPanelContext {
public:
    TFakePanel() : Board(m_link) {
        MainForm = this;
        Connected = true;
        m_area.resize(1024, 768);
        m_area.show();
    }
    ~TFakePanel() override {
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
    TFakeBoard Board;

private:
    QMdiArea m_area;
};
