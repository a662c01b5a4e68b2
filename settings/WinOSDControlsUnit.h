#pragma once
// "Настройка OSD": which elements the video overlay shows, where each stands
// on the screen (x,y position pairs, one page per graphics mode), the
// graphics mode, language, synchronisation level and picture offsets.

#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

class QTabWidget;

class TWinOSDControls : public TParamWindow {
    Q_OBJECT
public:
    explicit TWinOSDControls(QWidget* parent = nullptr);
    static const TParamTable& Table();
    static const TBindingConfig& Config();

    // Shows the position page of the selected graphics mode: TabSheet2 for
    // low resolution (item 0), TabSheet3 otherwise (nothing selected too).
    // Runs after every listing and apply, not when the box changes.
    void ShowPositionPage();
    QTabWidget* PageControl1;

protected:
    void AfterListing() override { ShowPositionPage(); }
    void AfterApply() override { ShowPositionPage(); }
};

extern QPointer<TWinOSDControls> WinOSDControls;
