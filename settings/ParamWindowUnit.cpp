#include "settings/ParamWindowUnit.h"

#include "link/Proc.h"
#include "settings/ParamFormUnit.h"
#include "ui/Dialogs.h"

TParamWindow::TParamWindow(const QString& caption, bool hasApplyButton, QWidget* parent)
    : TSettingsWindow(caption, hasApplyButton, parent) {}

TParamWindow::~TParamWindow() = default;

void TParamWindow::InitBinding(TBindingConfig config, const TParamFormBuilder& builder) {
    config.Containers = builder.Containers();
    InitBinding(std::move(config));
}

void TParamWindow::InitBinding(TBindingConfig config) {
    m_binding = std::make_unique<TParamBinding>(Content(), std::move(config));
}

TSettingsWindow::TListingEnd TParamWindow::ListParams() {
    m_binding->BeginListing();
    TListingEnd end;
    try {
        end = ReadListing(m_binding->Config().ListCommand,
                          [this](const QByteArray& line) { m_binding->ListingLine(line); });
    } catch (const EConvertError&) {
        // The listing ends at the bad line; the window still shows the
        // right page / starts its stream before the error is reported.
        AfterListing();
        throw;
    }
    AfterListing();
    return end;
}

bool TParamWindow::ApplyChangedValues() {
    QString error;
    if (!m_binding->ApplyChangedValues(
            error, [this](const QByteArrayList& lines) { return SendToBoard(lines); })) {
        if (!error.isEmpty())
            Dialogs().Message(error);
        return false;
    }
    AfterApply();
    return true;
}

void TParamWindow::SpeedButton1Click() {
    if (!m_binding->Config().ResetCommand.isEmpty())
        ResetAndRelist(m_binding->Config().ResetCommand);
}
