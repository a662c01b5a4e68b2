#pragma once
// A stand-in main window whose board is a TFakeBoard: the windows' exchange
// goes straight to scripted answers, so a test can hold the board silent or
// slow at exactly the line it wants.

#include "FakeBoard.h"
#include "ScriptedPanel.h"

class TFakePanel : public TBoardPanel<TFakeBoard> {
public:
    TFakePanel() { Area().show(); }
};
