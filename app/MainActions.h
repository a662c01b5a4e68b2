#pragma once
// The main window's actions as one table: name, caption, hint, menu, place on
// the tool bar, and whether the link state switches them. The menus and the
// tool bar are built from it in this order.

#include <QIcon>

enum class TMenuId { Actions, Setup, Calibrations, Monitoring, Windows, Help };

enum class TActionKind {
    Connect, // enabled while not connected
    Device,  // enabled while connected
    Always   // About, exit, window arrangement: never switched
};

enum class TIconId {
    None,
    Connect,
    Save,
    Export,
    Load,
    Stab,
    Channels,
    Osd,
    Adc,
    Battery,
    Calibrate,
    AllParams,
    Journal
};

struct TActionDef {
    const char* Name;
    const char* Caption;
    const char* Hint; // nullptr: none
    TMenuId Menu;
    bool SeparatorAfter; // in its menu
    // 0: not on the tool bar. Otherwise the tool bar is sorted by this; the
    // tens digit is the group, and a separator stands between groups.
    int ToolBarPos;
    TActionKind Kind;
    TIconId Icon;
};

extern const TActionDef MainActions[];
extern const int MainActionCount;

// Top-level menu captions, in menu-bar order, indexed by TMenuId.
extern const char* const MenuCaptions[];

// Small drawn icons for the tool bar (and the menus).
QIcon ActionIcon(TIconId id);
// The program's own icon.
QIcon ProgramIcon();
