#pragma once
// "Настройки каналов": the board's 24 input channels, 24 output channels and
// 15 mixers. The board lists them as numbered rows and takes them back one
// whole row per command, so this window keeps its own listing and apply over
// the row tables of ChannelRowsUnit; the bottom buttons, the bounded listing
// wait, the reset procedure and the lifecycle are those of TSettingsWindow.
//
// Controls are named as the board binding expects ("InType_1" ..
// "Mix_RUD_UD_15", spins' line edits "V_Min_1" ..) and are direct children
// of their sub-page (TabSheet4/5 inputs, TabSheet6/7 outputs, TabSheet3
// mixers), where the row operations look them up by name.

#include "settings/ChannelRowsUnit.h"
#include "settings/ParamBindingUnit.h"
#include "settings/SettingsWindowUnit.h"

#include <QHash>
#include <QMap>

class TDlg_PPM_Monitor;
class QTabWidget;

class TWinChannelControls : public TSettingsWindow {
    Q_OBJECT
public:
    explicit TWinChannelControls(QWidget* parent = nullptr);
    ~TWinChannelControls() override;

    // One listed row each: fill the row's controls and store what was listed
    // under the controls' names. A row whose controls do not exist is
    // skipped (what was filled before the missing control stays filled).
    // A field that is not an integer throws EConvertError.
    void FillInputRow(const TRowLine& row);
    void FillOutputRow(const TRowLine& row);
    void FillMixerRow(const TRowLine& row);

    // What the board last listed or the window last sent, by control name.
    const TStoredValues& Stored() const { return m_stored; }

    // "Монитор входных каналов": the PPM input monitor, modal.
    void SpeedButton1Click();
    // "Сброс настроек входных каналов".
    void SpeedButton2Click();
    // "Сброс настроек выходных каналов" and "Сброс настроек микшеров": the
    // board resets outputs and mixers as one block.
    void SpeedButton3Click();

    QTabWidget* PageControl1 = nullptr;
    // The open PPM monitor, while it is open.
    QPointer<TDlg_PPM_Monitor> Dlg_PPM_Monitor;

protected:
    TListingEnd ListParams() override;
    // Inputs and outputs: one whole-row command per row with any change;
    // mixers 6..15: all five column commands of a changed mixer. Sends
    // nothing when nothing changed.
    bool ApplyChangedValues() override;
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* FindRowControl(const TRowTable& table, const QByteArray& name) const;
    void FillChannelRow(const TRowTable& table, bool inputCodes, const TRowLine& row);
    // What an apply sends, and the values stored once the board took it.
    struct TRowApply {
        QByteArrayList Lines;
        QList<QPair<QByteArray, QByteArray>> Values;
    };
    // False when a control is missing: the apply ends there.
    bool CollectChannelRows(const TRowTable& table, bool inputCodes, TRowApply& apply) const;
    void CollectMixers(TRowApply& apply) const;
    // Notes a control's value for storing; true when it differs from the
    // stored one.
    bool TakeValue(const QByteArray& name, int value, TRowApply& apply) const;

    TStoredValues m_stored;
    // Listed choices the boxes cannot show (input codes 6 to 9, a code or
    // an output type beyond the box's items, a channel above 24): control
    // name -> the listed number, sent with its row while the box stays
    // empty, so that an apply gives the board back what it listed.
    QHash<QByteArray, int> m_unshown;
    QMap<QByteArray, QWidget*> m_pages; // row containers by object name
};

extern QPointer<TWinChannelControls> WinChannelControls;
