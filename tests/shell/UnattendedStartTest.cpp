// The main window on a machine nobody watches: it starts the timers that were on, keeps the file
// it read before a write would lose rows of it, tells a player's absent device and a missing row,
// changes nothing on an import that finds no file, and turns its start with the session on and off.

#include "ShellTestSupport.h"

#include "players/PlayListEntry.h"
#include "shell/MainCommands.h"
#include "shell/panes/StatusWnd.h"
#include "skin/MenuEx.h"
#include "support_qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fstream>
#include <sstream>

using shelltest::MainWindowRig;
using shelltest::ReadFile;

namespace {

// A configuration with player 1 timed on an absent device, player 2 timed with a row whose file is
// gone but whose length is stored, and player 3 with a row that no stored length can keep.
std::string Configuration(MainWindowRig& rig)
{
    const std::string here = rig.MakeFile("here.mp3");
    return "<KVConfig Version=\"1.0.0\">"
           "<Player ID=\"1\" Device=\"USB Adapter (usb1)\" Timer=\"1\"><File Path=\""
        + here
        + "\" BeginTime=\"08:00:00\"/></Player>"
          "<Player ID=\"2\" Timer=\"1\"><File Path=\""
        + rig.Folder()
        + "share/gone.mp3\" BeginTime=\"09:00:00\" Duration=\"00:02:00\"/></Player>"
          "<Player ID=\"3\" Timer=\"0\"><File Path=\""
        + rig.Folder() + "old.mp3\" BeginTime=\"10:00:00\"/></Player></KVConfig>";
}

TEST(UnattendedStart, TheStoredTimersStartAgainAndNothingThatIsAwayIsLost)
{
    MainWindowRig rig;
    const std::string stored = Configuration(rig);
    std::ofstream(rig.ConfigPath()) << stored;
    rig.Open();
    players::Players& players = rig.window->GetPlayers();

    EXPECT_TRUE(players.Slot(1).TimerOn());
    EXPECT_TRUE(players.Slot(2).TimerOn());
    EXPECT_FALSE(players.Slot(3).TimerOn());
    // Stopped until the timer's first tick.
    EXPECT_EQ(rig.window->Panes().playerPanel->FindItem(1)->tip.toStdString(),
        "Stopped\nDevice not connected: USB Adapter (usb1)");
    ASSERT_EQ(players.Slot(2).List.RowCount(), 1);
    EXPECT_EQ(players.Slot(2).List.Row(0).MissingReason, players::MISSING_FILE_NOT_FOUND);
    // The row that nothing could keep is gone, but the file that named it was kept first.
    EXPECT_TRUE(players.Slot(3).List.Empty());
    EXPECT_EQ(ReadFile(rig.ConfigPath() + ".bak"), stored);
}

TEST(UnattendedStart, AnImportThatFindsNoFileChangesNothingAndAPartialOneSaysWhatWasMissing)
{
    MainWindowRig rig;
    rig.Open();
    const std::string list = rig.Folder() + "list.xml";
    const auto writeList = [&](const std::vector<std::string>& files) {
        std::ofstream out(list);
        out << "<KVProgram Version=\"1.0.0\">";
        for (const std::string& file : files)
            out << "<File Path=\"" << file << "\" BeginTime=\"\"/>";
        out << "</KVProgram>";
    };
    rig.prompts.importPath = QString::fromStdString(list);
    rig.window->AddFiles({ QString::fromStdString(rig.MakeFile("kept.mp3")) });

    writeList({ rig.Folder() + "elsewhere/a.mp3", rig.Folder() + "elsewhere/b.mp3" });
    rig.window->RunCommand(ID_IMPORT_LIST);
    EXPECT_EQ(rig.messages.messages.back().text, "Program import failed!");
    EXPECT_EQ(rig.window->GetPlayers().Slot(0).List.RowCount(), 1);

    writeList({ rig.MakeFile("new.mp3"), rig.Folder() + "elsewhere/b.mp3" });
    rig.window->RunCommand(ID_IMPORT_LIST);
    EXPECT_EQ(rig.messages.messages.back().text, "Program import successful!\n1 file was not found.");
    EXPECT_EQ(rig.window->GetPlayers().Slot(0).List.Row(0).File, "new.mp3");
}

TEST(UnattendedStart, StartWithTheDesktopSessionWritesAndRemovesTheAutostartEntry)
{
    MainWindowRig rig;
    rig.Open();
    QAction* entry = FindCommandAction(*rig.window->MainMenu(), ID_START_WITH_SESSION);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isCheckable());
    EXPECT_FALSE(entry->isChecked());

    entry->trigger();
    EXPECT_TRUE(entry->isChecked());
    const std::string written = ReadFile(rig.AutostartPath());
    EXPECT_NE(written.find("Exec=\"" + rig.Folder() + "Tessaly\"\n"), std::string::npos) << written;

    entry->trigger();
    EXPECT_FALSE(entry->isChecked());
    EXPECT_FALSE(std::filesystem::exists(rig.AutostartPath()));
    EXPECT_TRUE(rig.messages.messages.empty());
}

} // namespace

namespace {

TEST(EvenLoudness, FilesAreMeasuredInTheBackgroundWithTheirProgressInTheStatusBar)
{
    MainWindowRig rig;
    const std::string first = rig.MakeFile("first.mp3");
    const std::string second = rig.MakeFile("second.mp3");
    std::ofstream(rig.ConfigPath())
        << "<KVConfig Version=\"1.0.0\"><Player ID=\"4\" Loudness=\"1\"><File Path=\"" << first
        << "\"/><File Path=\"" << second << "\"/></Player></KVConfig>";
    std::atomic<bool> hold { true };
    std::atomic<int> measured { 0 };
    rig.measureLoudness = [&](const std::string&, sonarel::LoudnessMeasurement* measurement,
                              const std::atomic<bool>* cancel) {
        // The second file waits until the test has seen the progress of the first.
        while (measured == 1 && hold && !cancel->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++measured;
        *measurement = { -24.0, -6.0, 1.0 };
        return sonarel::LoudnessResult::Measured;
    };
    rig.Open();
    const auto message = [&] {
        return rig.window->Panes().statusBar->FindItem(CStatusWnd::ITEM_MESSAGE)->text.toStdString();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return message() == "Measuring loudness 1/2"; }, 5000)) << message();
    hold = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return message().empty(); }, 5000)) << message();
    EXPECT_EQ(measured, 2);
}

} // namespace
