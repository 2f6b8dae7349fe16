#include "DialogTestSupport.h"
#include "EditingDialogSupport.h"

#include "dialogs/SetTimeDlg.h"

#include <gtest/gtest.h>

#include <QTime>
#include <QTimeEdit>

using namespace dlgtest;

namespace {

class SetTimeDlgTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    RecordingMessageBox messages;
};

TEST_F(SetTimeDlgTest, EarlierThanTheEarliestIsRefusedAndThePickerRestored)
{
    CSetTimeDlg dialog(
        nullptr, &DefaultSkin(), persist::TimeOfDay(9, 30, 0), persist::TimeOfDay(8, 0, 1), &messages);
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Begin Time"));
    EXPECT_EQ(dialog.TimePicker()->time(), QTime(9, 30, 0));
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("set-begin-time")));

    dialog.TimePicker()->setTime(QTime(8, 0, 0));
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_OK);
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(
        messages.messages[0].text, QStringLiteral("Begin time should be greater than or equal 08:00:01"));
    EXPECT_EQ(messages.messages[0].caption, QStringLiteral("Set Begin Time"));
    EXPECT_EQ(messages.messages[0].icon, players::MessageIcon::Information);
    EXPECT_EQ(dialog.TimePicker()->time(), QTime(9, 30, 0));
    EXPECT_TRUE(dialog.isVisible());

    dialog.TimePicker()->setTime(QTime(8, 0, 1));
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result(), persist::TimeOfDay(8, 0, 1));
}

TEST_F(SetTimeDlgTest, UnchangedOkReturnsTheCurrentBegin)
{
    CSetTimeDlg dialog(
        nullptr, &DefaultSkin(), persist::TimeOfDay(12, 0, 5), persist::TimeOfDay(0, 0, 1), &messages);
    Open(dialog);
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result(), persist::TimeOfDay(12, 0, 5));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SetTimeDlgTest, NowBeforeTheEarliestIsRefusedLikeAnyEntry)
{
    // No time of day reaches 24:00:00.
    CSetTimeDlg dialog(
        nullptr, &DefaultSkin(), persist::TimeOfDay(1, 2, 3), persist::TimeOfDay(24, 0, 0), &messages);
    Open(dialog);
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_NOW);
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_OK);
    EXPECT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(dialog.TimePicker()->time(), QTime(1, 2, 3));
    ClickItem(dialog.Bar(), CSetTimeDlg::ITEM_CANCEL);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
