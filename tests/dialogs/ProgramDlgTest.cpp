#include "DialogTestSupport.h"
#include "EditingDialogSupport.h"

#include "dialogs/ProgramDlg.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateEdit>
#include <QTreeWidget>

using namespace dlgtest;

namespace {

class ProgramDlgTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    [[nodiscard]] static bool Checked(const CProgramDlg& dialog, int id)
    {
        return (dialog.Panel()->FindItem(id)->state & ITEMSTATE_CHECKED) != 0;
    }
    [[nodiscard]] static bool Enabled(const CProgramDlg& dialog, int id)
    {
        return (dialog.Panel()->FindItem(id)->state & ITEMSTATE_DISABLED) == 0;
    }

    RecordingMessageBox messages;
};

persist::CalendarDate StoredDay(const QDate& date)
{
    return persist::CalendarDate(static_cast<std::uint32_t>(date.year()),
        static_cast<std::uint32_t>(date.month()), static_cast<std::uint32_t>(date.day()));
}

players::SchedulePolicy DateRange(persist::CalendarDate begin, persist::CalendarDate end)
{
    players::SchedulePolicy policy;
    policy.Type = players::POLICY_DATE_RANGE;
    policy.BeginDate = begin;
    policy.EndDate = end;
    return policy;
}

TEST_F(ProgramDlgTest, DefaultPolicyOpensWeeklyMondayToFriday)
{
    CProgramDlg dialog(nullptr, &DefaultSkin(), nullptr, &messages);
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Schedule Policy"));
    EXPECT_TRUE(Checked(dialog, CProgramDlg::ITEM_WEEKLY));
    EXPECT_FALSE(Checked(dialog, CProgramDlg::ITEM_DATE_RANGE));
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(Checked(dialog, CProgramDlg::ITEM_MONDAY + day), day < 5) << day;
        EXPECT_TRUE(Enabled(dialog, CProgramDlg::ITEM_MONDAY + day));
    }
    EXPECT_FALSE(dialog.BeginPicker()->isEnabled());
    EXPECT_FALSE(Enabled(dialog, CProgramDlg::ITEM_BEGIN_LABEL));
    EXPECT_EQ(dialog.BeginPicker()->date(), QDate::currentDate());
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("schedule-policy")));
}

TEST_F(ProgramDlgTest, SwitchingKindsKeepsTheDayMarks)
{
    players::SchedulePolicy policy;
    policy.Week = { true, false, false, true, false, false, true }; // Sunday, Wednesday, Saturday
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_MONDAY); // on
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_DATE_RANGE);
    EXPECT_TRUE(Checked(dialog, CProgramDlg::ITEM_DATE_RANGE));
    EXPECT_FALSE(Checked(dialog, CProgramDlg::ITEM_WEEKLY));
    EXPECT_FALSE(Enabled(dialog, CProgramDlg::ITEM_MONDAY));
    EXPECT_TRUE(dialog.EndPicker()->isEnabled());
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("schedule-policy-range")));
    // A disabled day box ignores clicks.
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_MONDAY + 1);
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_WEEKLY);
    EXPECT_TRUE(Enabled(dialog, CProgramDlg::ITEM_MONDAY));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::array<bool, 7> expected { true, true, false, true, false, false, true };
    EXPECT_EQ(dialog.Policy().Week, expected);
    EXPECT_EQ(dialog.Policy().Type, players::POLICY_WEEKLY);
}

TEST_F(ProgramDlgTest, DateRangeSwitchedToWeeklyStoresNoDays)
{
    const players::SchedulePolicy policy
        = DateRange(persist::CalendarDate(2026, 3, 1), persist::CalendarDate(2026, 3, 31));
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    EXPECT_EQ(dialog.BeginPicker()->date(), QDate(2026, 3, 1));
    EXPECT_EQ(dialog.EndPicker()->date(), QDate(2026, 3, 31));
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_WEEKLY);
    for (int day = 0; day < 7; ++day)
        EXPECT_FALSE(Checked(dialog, CProgramDlg::ITEM_MONDAY + day));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Policy().Type, players::POLICY_WEEKLY);
    EXPECT_EQ(dialog.Policy().Week, (std::array<bool, 7> {}));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProgramDlgTest, WeeklySwitchedToDateRangeStoresTodayAsOneDay)
{
    CProgramDlg dialog(nullptr, &DefaultSkin(), nullptr, &messages);
    Open(dialog);
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_DATE_RANGE);
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Policy().Type, players::POLICY_DATE_RANGE);
    EXPECT_EQ(dialog.Policy().BeginDate, persist::CalendarDate::Today());
    EXPECT_EQ(dialog.Policy().EndDate, persist::CalendarDate::Today());
}

TEST_F(ProgramDlgTest, EndBeforeBeginIsRefusedAndTheDialogStays)
{
    const players::SchedulePolicy policy
        = DateRange(persist::CalendarDate(2026, 5, 10), persist::CalendarDate(2026, 5, 10));
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    dialog.EndPicker()->setDate(QDate(2026, 5, 9));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(messages.messages[0].text,
        QStringLiteral("The start date must be less than or equal to the end date!"));
    EXPECT_EQ(messages.messages[0].icon, players::MessageIcon::None);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Policy(), policy);

    dialog.EndPicker()->setDate(QDate(2026, 5, 10));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Policy().BeginDate, persist::CalendarDate(2026, 5, 10));
    EXPECT_EQ(dialog.Policy().EndDate, persist::CalendarDate(2026, 5, 10));
}

TEST_F(ProgramDlgTest, ResetRestoresThePolicyAsOpened)
{
    const players::SchedulePolicy policy
        = DateRange(persist::CalendarDate(2026, 1, 2), persist::CalendarDate(2026, 2, 3));
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    dialog.BeginPicker()->setDate(QDate(2026, 1, 20));
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_WEEKLY);
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_RESET);
    EXPECT_TRUE(Checked(dialog, CProgramDlg::ITEM_DATE_RANGE));
    EXPECT_EQ(dialog.BeginPicker()->date(), QDate(2026, 1, 2));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);
    EXPECT_EQ(dialog.Policy(), policy);
}

TEST_F(ProgramDlgTest, DaysOffAreAddedMarkedYearlyRemovedAndShownComingFirst)
{
    const QDate today = QDate::currentDate();
    players::SchedulePolicy policy;
    // A holiday that has passed, one still to come and Christmas every year.
    policy.DaysOff = { { StoredDay(today.addDays(-40)), false }, { StoredDay(today.addDays(30)), false },
        { persist::CalendarDate(2020, 12, 25), true } };
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    QTreeWidget* list = dialog.DaysOffList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    // The last one is the day that has passed.
    EXPECT_EQ(list->topLevelItem(2)->text(0).toStdString(), StoredDay(today.addDays(-40)).Text());
    // Christmas shows as its next day.
    QDate christmas(today.year(), 12, 25);
    if (christmas < today)
        christmas = christmas.addYears(1);
    const int christmasRow = today.addDays(30) < christmas ? 1 : 0;
    EXPECT_EQ(list->topLevelItem(christmasRow)->checkState(1), Qt::Checked);
    EXPECT_EQ(list->topLevelItem(christmasRow)->text(0), christmas.toString(QStringLiteral("yyyy-MM-dd")));

    // A date is added once; its box makes it yearly; the passed one is removed.
    dialog.DayOffPicker()->setDate(today.addDays(1));
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_ADD_OFF);
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_ADD_OFF);
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), StoredDay(today.addDays(1)).Text());
    list->topLevelItem(0)->setCheckState(1, Qt::Checked);
    list->setCurrentItem(list->topLevelItem(3));
    ClickItem(dialog.Panel(), CProgramDlg::ITEM_REMOVE_OFF);
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("schedule-policy-days-off")));
    ClickItem(dialog.Bar(), CProgramDlg::ITEM_OK);

    ASSERT_EQ(dialog.Policy().DaysOff.size(), 3u);
    EXPECT_EQ(dialog.Policy().DaysOff[0], (players::DayOff { StoredDay(today.addDays(30)), false }));
    EXPECT_EQ(dialog.Policy().DaysOff[2], (players::DayOff { StoredDay(today.addDays(1)), true }));
}

TEST_F(ProgramDlgTest, UnshowableStoredDateShowsToday)
{
    const players::SchedulePolicy policy
        = DateRange(persist::CalendarDate("2026-13-40"), persist::CalendarDate(2026, 2, 3));
    CProgramDlg dialog(nullptr, &DefaultSkin(), &policy, &messages);
    Open(dialog);
    EXPECT_EQ(dialog.BeginPicker()->date(), QDate::currentDate());
}

} // namespace
