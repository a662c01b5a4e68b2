#pragma once
// A settings window bound to one parameter group by control names: the
// listing fills the controls through TParamBinding, apply sends what the
// operator changed, and a reset button (where the window has one) resets the
// group on the board and lists it again. The five binding windows differ
// only in their form, their TBindingConfig and the steps after a listing or
// an apply.

#include "settings/ParamBindingUnit.h"
#include "settings/SettingsWindowUnit.h"

#include <memory>

class TParamFormBuilder;

class TParamWindow : public TSettingsWindow {
    Q_OBJECT
public:
    TParamWindow(const QString& caption, bool hasApplyButton = true, QWidget* parent = nullptr);
    ~TParamWindow() override;

    TParamBinding& Binding() { return *m_binding; }

    // The reset button's handler ("reset ..." of the window's config).
    void SpeedButton1Click();

protected:
    // Call once, after the form holds every container.
    void InitBinding(TBindingConfig config);
    // The binding searches the containers the builder made, in its order.
    void InitBinding(TBindingConfig config, const TParamFormBuilder& builder);

    TListingEnd ListParams() override;
    bool ApplyChangedValues() override;

    // Window-specific steps after every listing (run also when a conversion
    // error cut the listing short) and after every apply.
    virtual void AfterListing() {}
    virtual void AfterApply() {}

private:
    std::unique_ptr<TParamBinding> m_binding;
};
