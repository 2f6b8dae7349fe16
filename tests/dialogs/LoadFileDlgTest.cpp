#include "DialogTestSupport.h"

#include "dialogs/LoadFileDlg.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

using namespace dlgtest;

namespace {

TEST(LoadFileDlg, HandsEveryPathOverInOrderAfterTheStartDelayAndClosesItself)
{
    App();
    const QStringList paths { "/music/a.mp3", "/music/b.wav", "/music/c.flac" };
    QStringList added;
    QStringList shownWhileAdding;
    CLoadFileDlg* dialogPtr = nullptr;
    CLoadFileDlg dialog(&DefaultSkin(), paths, [&](const QString& path) {
        added.push_back(path);
        shownWhileAdding.push_back(dialogPtr->LoadingLine());
    });
    dialogPtr = &dialog;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_GE(clock.elapsed(), CLoadFileDlg::START_DELAY_MS - 5);
    EXPECT_EQ(added, paths);
    EXPECT_EQ(shownWhileAdding,
        (QStringList { "Loading /music/a.mp3", "Loading /music/b.wav", "Loading /music/c.flac" }));
    EXPECT_EQ(dialog.FilesHandedOver(), 3);
}

TEST(LoadFileDlg, EscapeStopsAfterTheFileInWork)
{
    App();
    QStringList paths;
    for (int index = 0; index < 10; ++index)
        paths.push_back(QStringLiteral("/music/track%1.mp3").arg(index));
    QStringList added;
    CLoadFileDlg* dialogPtr = nullptr;
    CLoadFileDlg dialog(&DefaultSkin(), paths, [&](const QString& path) {
        added.push_back(path);
        if (added.size() == 3)
            QTest::keyClick(dialogPtr, Qt::Key_Escape);
    });
    dialogPtr = &dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(added, paths.mid(0, 3));
}

TEST(LoadFileDlg, AnEmptyListClosesAtOnce)
{
    App();
    int calls = 0;
    CLoadFileDlg dialog(&DefaultSkin(), {}, [&](const QString&) { ++calls; });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(calls, 0);
}

TEST(LoadFileDlg, ModelessProgressShowsEachPathAndShortensALongOneInTheMiddle)
{
    App();
    CLoadFileDlg dialog(&DefaultSkin());
    persist::ILoadProgress& progress = dialog;
    progress.Show();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.CaptionFlags(), 0);
    EXPECT_EQ(dialog.Caption(), nullptr);

    progress.ShowLoading("/music/short.mp3");
    EXPECT_EQ(dialog.LoadingLine(), QStringLiteral("Loading /music/short.mp3"));
    EXPECT_EQ(dialog.DisplayedLine(), dialog.LoadingLine());
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("load-short")));

    const QString longPath = QStringLiteral("/home/operator/Music/Archive/2026/December/Week 49/Monday/"
                                            "Morning Programme/Very Long Station Announcement Number 12.wav");
    progress.ShowLoading(longPath.toStdString());
    EXPECT_EQ(dialog.LoadingLine(), QStringLiteral("Loading ") + longPath);
    const QString shown = dialog.DisplayedLine();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Loading /home/"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral(".wav"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(shown.size(), dialog.LoadingLine().size());
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("load-long")));

    progress.Hide();
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
