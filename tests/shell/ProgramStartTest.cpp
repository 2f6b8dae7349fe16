#include "ShellTestSupport.h"

#include "dialogs/EditingDialogSupport.h"
#include "shell/InstanceLock.h"
#include "shell/MainCommands.h"
#include "shell/TessalyApp.h"
#include "support_qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>

using shelltest::MainWindowRig;

namespace {

struct StartRig {
    MainWindowRig window;
    dlgtest::RecordingMessageBox messages;
    bool ran = false;

    CTessalyApp::Setup Setup()
    {
        qttest::App();
        CTessalyApp::Setup setup;
        setup.LockPath = window.Folder() + "Tessaly.lock";
        setup.SkinPath = TESSALY_DEFAULT_SKIN;
        setup.Window = window.Environment();
        setup.Messages = &messages;
        setup.BeforeRun = [this](CTessalyDlg& dialog) {
            ran = true;
            QTimer::singleShot(50, &dialog, [&dialog] { dialog.RunCommand(ID_EXIT_SYSTEM); });
        };
        return setup;
    }
};

} // namespace

TEST(ProgramStart, RunsTheWindowAndFreesTheLockAfterwards)
{
    StartRig rig;
    const CTessalyApp::Setup setup = rig.Setup();
    EXPECT_EQ(CTessalyApp::Run(setup), 0);
    EXPECT_TRUE(rig.ran);
    EXPECT_TRUE(rig.messages.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(rig.window.ConfigPath()));
    InstanceLock next(setup.LockPath);
    EXPECT_EQ(next.TryAcquire(), InstanceLock::Result::Acquired);
}

TEST(ProgramStart, ASecondCopyIsToldAndLeavesTheFirstAlone)
{
    StartRig rig;
    const CTessalyApp::Setup setup = rig.Setup();
    InstanceLock first(setup.LockPath);
    ASSERT_EQ(first.TryAcquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(CTessalyApp::Run(setup), 0);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("The program is already running!"));
    EXPECT_EQ(rig.messages.messages[0].caption, QStringLiteral("Tessaly"));
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Information);
    EXPECT_FALSE(rig.ran);
    EXPECT_TRUE(first.Owned());
    EXPECT_FALSE(std::filesystem::exists(rig.window.ConfigPath()));
}

TEST(ProgramStart, AMissingSkinIsReportedAndNoWindowOpens)
{
    StartRig rig;
    CTessalyApp::Setup setup = rig.Setup();
    setup.SkinPath = rig.window.Folder() + "skin/Default.skin";
    EXPECT_EQ(CTessalyApp::Run(setup), 1);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("Failed to Load skin file \"Default.skin!\""));
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Error);
    EXPECT_FALSE(rig.ran);
    EXPECT_FALSE(std::filesystem::exists(rig.window.ConfigPath()));
    InstanceLock next(setup.LockPath);
    EXPECT_EQ(next.TryAcquire(), InstanceLock::Result::Acquired);
}
