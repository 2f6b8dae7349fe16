#pragma once

#include "dialogs/DialogPanes.h"
#include "dialogs/ProgramWnd.h"
#include "players/SchedulePolicy.h"
#include "skin/BaseDialog.h"

#include <memory>

class IMessageBox;
class QDateEdit;
class QStyle;
class QTreeWidget;

// Edits one player's schedule policy: a weekly schedule or a date range, and under either the days
// off (holidays, closing days; each one date, or that day of every year). The caller reads Policy()
// when the dialog ends with OK.
class CProgramDlg : public CBaseDialog {
public:
    static constexpr int PANEL_ID = 112;
    static constexpr int BAR_ID = 113;
    static constexpr int ITEM_CANCEL = dialogpanes::BAR_ITEM_CANCEL;
    static constexpr int ITEM_OK = dialogpanes::BAR_ITEM_OK;
    static constexpr int ITEM_RESET = 3;
    static constexpr int ITEM_WEEKLY = 1;
    // "Monday" to "Sunday" are ITEM_MONDAY to ITEM_MONDAY + 6.
    static constexpr int ITEM_MONDAY = 2;
    static constexpr int ITEM_DATE_RANGE = 9;
    static constexpr int ITEM_BEGIN_LABEL = 10;
    static constexpr int ITEM_END_LABEL = 12;
    static constexpr int ITEM_OFF_LABEL = 14;
    static constexpr int ITEM_ADD_OFF = 16;
    static constexpr int ITEM_REMOVE_OFF = 17;

    // policy may be null, for the default policy; it is not owned and must outlive the dialog, as
    // must the skin and messages (null: the platform's message box).
    CProgramDlg(QWidget* parent, CBaseSkin* skin, const players::SchedulePolicy* policy,
        IMessageBox* messages = nullptr);
    ~CProgramDlg() override;

    [[nodiscard]] const players::SchedulePolicy& Policy() const { return m_policy; }

    [[nodiscard]] CProgramWnd* Panel() const { return m_panel.get(); }
    [[nodiscard]] CBaseWnd* Bar() const { return m_bar.get(); }
    [[nodiscard]] QDateEdit* BeginPicker() const { return m_begin.get(); }
    [[nodiscard]] QDateEdit* EndPicker() const { return m_end.get(); }
    [[nodiscard]] QDateEdit* DayOffPicker() const { return m_offDate.get(); }
    // One row per day off, the coming ones first (a yearly one under its next date); column 1 is its
    // "Every year" box.
    [[nodiscard]] QTreeWidget* DaysOffList() const { return m_daysOff.get(); }

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    void LoadPolicy();
    void ShowPolicy();
    void SelectWeekly(bool weekly);
    void SetItemEnabled(int id, bool enabled);
    [[nodiscard]] bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);
    void OnOk();
    void ShowDaysOff();
    void AddDayOff();
    void RemoveDayOff();

    const players::SchedulePolicy* m_given = nullptr;
    players::SchedulePolicy m_policy;
    IMessageBox* m_messages = nullptr;
    std::unique_ptr<CProgramWnd> m_panel;
    std::unique_ptr<CBaseWnd> m_bar;
    std::unique_ptr<QDateEdit> m_begin;
    std::unique_ptr<QDateEdit> m_end;
    std::unique_ptr<QDateEdit> m_offDate;
    // Before the list that it draws.
    std::unique_ptr<QStyle> m_checkStyle;
    std::unique_ptr<QTreeWidget> m_daysOff;
};
