#include "ShellTestSupport.h"

#include "TestHttpServer.h"
#include "dialogs/VersionUpdateDlg.h"
#include "support_qt/QtTestApplication.h"
#include "update/VersionNumber.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <filesystem>

using shelltest::MainWindowRig;

namespace {

constexpr const char* VERSION_PATH = "/update/tessaly/version.xml";
constexpr int WAIT_MS = 10'000;

TestHttpServer::Response Document(int major, int minor)
{
    TestHttpServer::Response response;
    response.Body = "<?xml version=\"1.0\"?>\r\n<Tessaly>\r\n<MajorId>" + std::to_string(major)
        + "</MajorId>\r\n<MinorId>" + std::to_string(minor)
        + "</MinorId>\r\n<Desc>Better.</Desc>\r\n</Tessaly>\r\n";
    return response;
}

// Closes every update dialog that opens, remembering the page and the text box it showed.
struct UpdateDialogWatch {
    QTimer timer;
    int seen = 0;
    CVersionUpdateDlg::Page page = CVersionUpdateDlg::Page::Fetching;
    QString text;

    UpdateDialogWatch()
    {
        qttest::App();
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<CVersionUpdateDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            ++seen;
            page = dialog->CurrentPage();
            text = dialog->TextBox()->toPlainText();
            dialog->reject();
        });
        timer.start(5);
    }
};

} // namespace

TEST(MainWindowUpdate, ANewerVersionFoundAfterStartOpensTheUpdateDialog)
{
    TestHttpServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    server.Serve(VERSION_PATH, Document(CURRENT_MAJOR_ID + 1, 0));
    UpdateDialogWatch watch;
    MainWindowRig rig;
    rig.versionUrl = server.Url(VERSION_PATH);
    rig.Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.seen > 0; }, WAIT_MS));
    EXPECT_EQ(watch.page, CVersionUpdateDlg::Page::NewVersion);
    // The description came with the version: the dialog shows it without asking again.
    EXPECT_TRUE(watch.text.endsWith(QStringLiteral("Better."))) << watch.text.toStdString();
    EXPECT_EQ(server.Requests(VERSION_PATH), 1);
    // A successful check is remembered next to the configuration, so the next start does not ask again.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return std::filesystem::exists(rig.Folder() + "KVUpdateHistory.txt"); }, WAIT_MS));
}

TEST(MainWindowUpdate, TheSameVersionOpensNothing)
{
    TestHttpServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    server.Serve(VERSION_PATH, Document(CURRENT_MAJOR_ID, CURRENT_MINOR_ID));
    UpdateDialogWatch watch;
    MainWindowRig rig;
    rig.versionUrl = server.Url(VERSION_PATH);
    rig.Open();
    // The check starts from the window's event loop, which must keep running meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests(VERSION_PATH) >= 1; }, WAIT_MS));
    QTest::qWait(300);
    EXPECT_EQ(watch.seen, 0);
}

TEST(MainWindowUpdate, ClosingWhileTheCheckStallsDoesNotHang)
{
    TestHttpServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    TestHttpServer::Response stalled = Document(CURRENT_MAJOR_ID + 1, 0);
    stalled.PauseBeforeAnswer = true;
    server.Serve(VERSION_PATH, stalled);
    MainWindowRig rig;
    rig.versionUrl = server.Url(VERSION_PATH);
    rig.Open();
    // The check starts from the window's event loop, which must keep running meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests(VERSION_PATH) >= 1; }, WAIT_MS));
    const auto before = std::chrono::steady_clock::now();
    rig.window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
}
