#pragma once

#include "dialogs/DialogPanes.h"
#include "persist/TimeOfDay.h"
#include "skin/BaseDialog.h"

#include <memory>

class CBaseWnd;
class IMessageBox;
class QTimeEdit;

// Asks for a play-list row's new begin time, no earlier than a given time. The caller reads
// Result() when the dialog ends with OK.
class CSetTimeDlg : public CBaseDialog {
public:
    static constexpr int PANEL_ID = 114;
    static constexpr int BAR_ID = 115;
    static constexpr int ITEM_CANCEL = dialogpanes::BAR_ITEM_CANCEL;
    static constexpr int ITEM_OK = dialogpanes::BAR_ITEM_OK;
    static constexpr int ITEM_NOW = 3;

    // The skin and messages (null: the platform's message box) are not owned and must outlive the
    // dialog.
    CSetTimeDlg(QWidget* parent, CBaseSkin* skin, const persist::TimeOfDay& current,
        const persist::TimeOfDay& earliest, IMessageBox* messages = nullptr);
    ~CSetTimeDlg() override;

    [[nodiscard]] const persist::TimeOfDay& Result() const { return m_result; }

    [[nodiscard]] CBaseWnd* Panel() const { return m_panel.get(); }
    [[nodiscard]] CBaseWnd* Bar() const { return m_bar.get(); }
    [[nodiscard]] QTimeEdit* TimePicker() const { return m_picker.get(); }

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    void ShowTime(const persist::TimeOfDay& time);
    void OnOk();

    persist::TimeOfDay m_current;
    persist::TimeOfDay m_earliest;
    persist::TimeOfDay m_result;
    IMessageBox* m_messages = nullptr;
    std::unique_ptr<CBaseWnd> m_panel;
    std::unique_ptr<CBaseWnd> m_bar;
    std::unique_ptr<QTimeEdit> m_picker;
};
