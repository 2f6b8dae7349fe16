// The Live Update dialog against a real HTTP server on 127.0.0.1.

#include "DialogTestSupport.h"
#include "TestHttpServer.h"

#include "dialogs/VersionUpdateDlg.h"
#include "skin/BaseWnd.h"
#include "update/KVVersionUpdate.h"
#include "update/VersionNumber.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>

#include <chrono>
#include <string>
#include <thread>

using namespace dlgtest;

namespace {

constexpr const char* VERSION_PATH = "/update/tessaly/version.xml";
constexpr const char* DOWNLOAD_URL = "https://maker.test/download/";
constexpr int WAIT_MS = 10'000;

std::string Document(int major, int minor, const std::string& desc)
{
    return "<?xml version=\"1.0\"?>\r\n<Tessaly>\r\n<MajorId>" + std::to_string(major)
        + "</MajorId>\r\n<MinorId>" + std::to_string(minor) + "</MinorId>\r\n<Desc>" + desc
        + "</Desc>\r\n</Tessaly>\r\n";
}

TestHttpServer::Response Answer(std::string body)
{
    TestHttpServer::Response response;
    response.Body = std::move(body);
    return response;
}

class UpdateDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        ASSERT_TRUE(server.Started()) << server.Error();
    }

    // Opens the dialog on a fresh checker of the server's document and waits for its result.
    void OpenAndWait(const std::string& url)
    {
        checker = std::make_unique<CKVVersionUpdate>(std::string(), url);
        dialog = std::make_unique<CVersionUpdateDlg>(
            checker.get(), &DefaultSkin(), CURRENT_MAJOR_ID, CURRENT_MINOR_ID);
        dialog->SetUrlOpener([this](const QUrl& url) { opened.push_back(url); });
        dialog->SetDownloadUrl(QString::fromUtf8(DOWNLOAD_URL));
        dialog->show();
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Live Update"));
        EXPECT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::Fetching);
        EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_MESSAGE),
            QStringLiteral("Geting the version information, please waiting a moment ..."));
        EXPECT_FALSE(dialog->TextBox()->isVisible());
        EXPECT_TRUE(SaveScreenshot(dialog.get(), QStringLiteral("update-fetching")));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return dialog->CurrentPage() != CVersionUpdateDlg::Page::Fetching
                    || dialog->ItemText(CVersionUpdateDlg::ITEM_MESSAGE).startsWith(QStringLiteral("Failed"));
            },
            WAIT_MS));
        QTest::qWait(20);
    }

    void Click(int itemId)
    {
        SkinItem* item = dialog->Pane()->FindItem(itemId);
        ASSERT_NE(item, nullptr);
        const QPoint centre(
            (item->rect.left + item->rect.right) / 2, (item->rect.top + item->rect.bottom) / 2);
        QTest::mouseClick(dialog->Pane(), Qt::LeftButton, {}, centre);
    }

    TestHttpServer server;
    // Declared before the dialog, so that the dialog goes first.
    std::unique_ptr<CKVVersionUpdate> checker;
    std::unique_ptr<CVersionUpdateDlg> dialog;
    std::vector<QUrl> opened;
};

TEST_F(UpdateDialog, ANewerVersionShowsTheNewVersionPageAndOkOpensTheDownload)
{
    server.Serve(VERSION_PATH, Answer(Document(512, 258, "Faster loading.\r\nFixes the begin time.")));
    OpenAndWait(server.Url(VERSION_PATH));
    ASSERT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::NewVersion);
    EXPECT_TRUE(dialog->TextBox()->isVisible());
    EXPECT_TRUE(dialog->TextBox()->toPlainText().startsWith(QStringLiteral("Version 2.0.1.2 :")));
    EXPECT_TRUE(dialog->TextBox()->toPlainText().contains(QStringLiteral("Fixes the begin time.")));
    QStringList texts;
    for (int index = 0; index < dialog->Pane()->ItemCount(); ++index)
        texts.push_back(dialog->Pane()->ItemAt(index)->text);
    EXPECT_TRUE(texts.contains(QStringLiteral("Find new version, update or not?")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Current Version : 2.0.1.1")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Lastest Version : 2.0.1.2")));
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_CANCEL), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_OK), QStringLiteral("OK"));
    EXPECT_TRUE(SaveScreenshot(dialog.get(), QStringLiteral("update-new-version")));

    Click(CVersionUpdateDlg::ITEM_OK);
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0], QUrl(QString::fromUtf8(DOWNLOAD_URL)));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(UpdateDialog, TheSameVersionShowsTheUpToDatePageAndCloseCancels)
{
    server.Serve(VERSION_PATH, Answer(Document(512, 257, "Nothing new.")));
    OpenAndWait(server.Url(VERSION_PATH));
    ASSERT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::UpToDate);
    EXPECT_FALSE(dialog->TextBox()->isVisible());
    EXPECT_EQ(dialog->Pane()->ItemAt(0)->text + QStringLiteral(" ") + dialog->Pane()->ItemAt(1)->text,
        QStringLiteral("You have the lastest version now. No update is available at this times."));
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_CLOSE), QStringLiteral("Close"));
    EXPECT_TRUE(SaveScreenshot(dialog.get(), QStringLiteral("update-up-to-date")));

    Click(CVersionUpdateDlg::ITEM_CLOSE);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateDialog, AServerThatIsDownLeavesTheFailureText)
{
    OpenAndWait("http://127.0.0.1:" + std::to_string(TestHttpServer::ClosedPort()) + VERSION_PATH);
    EXPECT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::Fetching);
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_MESSAGE),
        QStringLiteral("Failed to fetch the version information!"));
    EXPECT_TRUE(SaveScreenshot(dialog.get(), QStringLiteral("update-failed")));
}

TEST_F(UpdateDialog, AGivenLatestVersionShowsItsPageWithoutFetching)
{
    server.Serve(VERSION_PATH, Answer(Document(512, 258, "")));
    checker = std::make_unique<CKVVersionUpdate>(std::string(), server.Url(VERSION_PATH));
    dialog = std::make_unique<CVersionUpdateDlg>(
        checker.get(), &DefaultSkin(), 512, 257, 513, 0, QStringLiteral("Plays ogg files."));
    dialog->show();
    ASSERT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::NewVersion);
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_OK), QStringLiteral("OK"));
    EXPECT_TRUE(dialog->TextBox()->toPlainText().startsWith(QStringLiteral("Version 2.1.0.0 :")));
    EXPECT_TRUE(dialog->TextBox()->toPlainText().endsWith(QStringLiteral("\nPlays ogg files.")));
    Click(CVersionUpdateDlg::ITEM_CANCEL);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    QTest::qWait(CVersionUpdateDlg::START_DELAY_MS * 2);
    EXPECT_EQ(server.Requests(VERSION_PATH), 0);
}

TEST_F(UpdateDialog, WithoutAVersionAddressItSaysWhereUpdatesComeFromAndChecksNothing)
{
    checker = std::make_unique<CKVVersionUpdate>(std::string(), std::string());
    dialog = std::make_unique<CVersionUpdateDlg>(checker.get(), &DefaultSkin(), 512, 257);
    dialog->show();
    EXPECT_EQ(dialog->ItemText(CVersionUpdateDlg::ITEM_MESSAGE),
        QStringLiteral("Updates of this installation come with the system's package manager."));
    QTest::qWait(CVersionUpdateDlg::START_DELAY_MS * 2);
    EXPECT_FALSE(checker->IsRunning());
    EXPECT_EQ(dialog->CurrentPage(), CVersionUpdateDlg::Page::Fetching);
    EXPECT_TRUE(SaveScreenshot(dialog.get(), QStringLiteral("update-no-address")));
}

TEST_F(UpdateDialog, ClosingWhileTheWorkerWaitsForTheDialogDoesNotHang)
{
    // The answer comes a moment after the request, while the test keeps the event loop away, so that
    // the worker's result stays queued for the dialog.
    TestHttpServer::Response late = Answer(Document(512, 258, "Soon."));
    late.PauseBeforeAnswer = true;
    late.Pause = std::chrono::milliseconds(200);
    server.Serve(VERSION_PATH, late);
    checker = std::make_unique<CKVVersionUpdate>(std::string(), server.Url(VERSION_PATH));
    dialog = std::make_unique<CVersionUpdateDlg>(checker.get(), &DefaultSkin(), 512, 257);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests(VERSION_PATH) > 0; }, WAIT_MS));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_TRUE(checker->IsRunning());

    QElapsedTimer clock;
    clock.start();
    dialog->reject();
    dialog.reset();
    checker.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    // The result queued for the dialog is dropped with it.
    QTest::qWait(20);
}

} // namespace
