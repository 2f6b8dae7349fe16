#include "shell/AudioFileTypes.h"
#include "shell/CloseOnSignal.h"
#include "shell/InstanceLock.h"
#include "shell/MainCommands.h"
#include "shell/ShellPrompts.h"
#include "shell/panes/MainPanes.h"
#include "support_qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainOnceReleased)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Tessaly.lock";
    InstanceLock first(path);
    InstanceLock second(path);
    EXPECT_EQ(first.TryAcquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(second.TryAcquire(), InstanceLock::Result::Held);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, ACopyThatDiedDoesNotBlockTheNextStart)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Tessaly.lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock(path);
        const char answer = lock.TryAcquire() == InstanceLock::Result::Acquired ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    InstanceLock lock(path);
    EXPECT_EQ(lock.TryAcquire(), InstanceLock::Result::Held);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    // The lock file is still there, but nobody holds it any more.
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(lock.TryAcquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, APlantedLinkIsNotFollowed)
{
    QTemporaryDir folder;
    const std::string target = folder.path().toStdString() + "/elsewhere";
    const std::string path = folder.path().toStdString() + "/Tessaly.lock";
    std::filesystem::create_symlink(target, path);
    InstanceLock lock(path);
    EXPECT_EQ(lock.TryAcquire(), InstanceLock::Result::Failed);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(InstanceLock, AnUnusableFolderIsReportedAsFailure)
{
    InstanceLock lock("/nonexistent-folder/Tessaly.lock");
    EXPECT_EQ(lock.TryAcquire(), InstanceLock::Result::Failed);
    EXPECT_FALSE(lock.Owned());
}

TEST(AudioFileTypes, AcceptsTheTwelveTypesInAnyCase)
{
    for (const char* name : { "a.wma", "a.RA", "a.Wav", "a.mp2", "b.c.MP3", "a.mid", "a.aac", "a.ac3",
             "a.mka", "a.amr", "a.FLAC", "a.mpa" })
        EXPECT_TRUE(IsAudioFileName(name)) << name;
    for (const char* name :
        { "a.txt", "mp3", ".mp3", "/music/.mp3", "a.mp3.txt", "a.", "/dir.mp3/file", "a.mp4" })
        EXPECT_FALSE(IsAudioFileName(name)) << name;
}

TEST(AudioFileTypes, DroppedFoldersAndOtherTypesAreLeftOutInOrder)
{
    QTemporaryDir folder;
    const std::string base = folder.path().toStdString() + "/";
    std::filesystem::create_directories(base + "album.mp3");
    std::ofstream(base + "B.MP3") << "x";
    std::ofstream(base + "a.wav") << "x";
    std::ofstream(base + "notes.txt") << "x";
    EXPECT_EQ(AcceptedAudioFiles({ base + "album.mp3", base + "B.MP3", base + "notes.txt", base + "a.wav" }),
        (std::vector<std::string> { base + "B.MP3", base + "a.wav" }));
}

TEST(MainCommands, PaneButtonsMapToTheirCommands)
{
    // The tool bar shows Import before Export; the ids decide.
    EXPECT_EQ(CommandOfPaneItem(TOOLBAR_WND_ID, 3), ID_IMPORT_LIST);
    EXPECT_EQ(CommandOfPaneItem(TOOLBAR_WND_ID, 2), ID_EXPORT_LIST);
    EXPECT_EQ(CommandOfPaneItem(TOOLBAR_WND_ID, 1), ID_SCHEDULE_POLICY);
    EXPECT_EQ(CommandOfPaneItem(LISTEDIT_WND_ID, 8), ID_SET_BEGIN_TIME);
    EXPECT_EQ(CommandOfPaneItem(LISTEDIT_WND_ID, 6), ID_START_PLAYER_TIMER);
    EXPECT_EQ(CommandOfPaneItem(PLAYCTRL_WND_ID, 1), ID_PLAY_PAUSE);
    EXPECT_EQ(CommandOfPaneItem(PLAYCTRL_WND_ID, 4), ID_PLAY_NEXT);
    // The elapsed time, the slider, the status bar and unknown items run nothing.
    EXPECT_EQ(CommandOfPaneItem(PLAYCTRL_WND_ID, 5), 0);
    EXPECT_EQ(CommandOfPaneItem(PLAYCTRL_WND_ID, 6), 0);
    EXPECT_EQ(CommandOfPaneItem(STATUSBAR_WND_ID, 1), 0);
    EXPECT_EQ(CommandOfPaneItem(TOOLBAR_WND_ID, 7), 0);
}

TEST(CloseOnSignal, ATerminationRequestReachesTheEventLoop)
{
    qttest::App();
    int calls = 0;
    {
        CloseOnSignal watcher([&] { ++calls; });
        ASSERT_TRUE(watcher.Active());
        // Only one watcher at a time.
        CloseOnSignal second([] {});
        EXPECT_FALSE(second.Active());
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 2000));
    }
    // The default action is back once the watcher is gone.
    struct sigaction current { };
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(ShellPrompts, TheFileDialogsSeeEveryAcceptedPattern)
{
    qttest::App();
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QtNameFilter(AUDIO_FILE_FILTER));
    const auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    QStringList expected;
    for (const std::string_view extension : AUDIO_FILE_EXTENSIONS)
        expected.push_back(
            QStringLiteral("*.") + QString::fromUtf8(extension.data(), qsizetype(extension.size())));
    EXPECT_EQ(model->nameFilters(), expected);

    dialog.setNameFilter(QtNameFilter(LIST_FILE_FILTER));
    EXPECT_EQ(model->nameFilters(), QStringList({ "*.xml" }));
}
