#include "StorageFakes.h"

#include "players/Players.h"
#include "storage/ConfigurationFile.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

std::vector<std::string> FileNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ConfigurationWrite : public StorageTest {
protected:
    // Gives every player its own settings, policy and a list of rows with gaps and stored begin
    // texts, every file real and known to the fake control.
    void FillAllPlayers(players::Players& players, int rowsPerPlayer)
    {
        for (int player = 0; player < players::PLAYER_COUNT; ++player) {
            players::PlayerSlot& slot = players.Slot(player);
            slot.Setting.Name = "Zone " + std::to_string(player + 1) + " \"Lounge\" & <Bar> 'n' Grüße";
            slot.Setting.Device = player % 3 == 0
                ? ""
                : "Speaker " + std::to_string(player) + " (sink" + std::to_string(player) + ")";
            if (!slot.Setting.Device.empty())
                control.devices.insert(slot.Setting.Device);
            slot.Setting.Volume = player * 13;
            slot.Setting.Balance = player * 2857 - 10000;
            slot.Setting.Amplify = 1.0f + 1.25f * static_cast<float>(player);
            if (player % 2 == 0) {
                slot.Policy.Type = players::POLICY_WEEKLY;
                for (std::size_t day = 0; day < 7; ++day)
                    slot.Policy.Week[day] = ((day + static_cast<std::size_t>(player)) % 3) != 0;
            } else {
                slot.Policy.Type = players::POLICY_DATE_RANGE;
                slot.Policy.BeginDate = persist::CalendarDate(2031, 7, static_cast<std::uint32_t>(player));
                slot.Policy.EndDate = persist::CalendarDate(2032, 1, static_cast<std::uint32_t>(player + 20));
            }
            for (int row = 0; row < rowsPerPlayer; ++row) {
                const std::string path
                    = AudioFile("p" + std::to_string(player) + " track " + std::to_string(row) + ".mp3",
                        1000 * (37 + (row * 53 + player * 11) % 400) + row % 1000);
                const players::AppendResult placed = row % 4 == 1
                    ? slot.List.AppendFileAt(path, control.durations[path],
                        std::to_string(6 + row / 4) + ":" + std::to_string(row % 60) + ":0")
                    : slot.List.AppendFileAt(path, control.durations[path], "");
                ASSERT_EQ(placed, players::AppendResult::Appended) << path;
            }
        }
    }

    static void ExpectSamePlayers(const players::Players& expected, const players::Players& actual)
    {
        for (int player = 0; player < players::PLAYER_COUNT; ++player) {
            EXPECT_EQ(actual.Slot(player).Setting, expected.Slot(player).Setting) << "player " << player;
            EXPECT_EQ(actual.Slot(player).Policy, expected.Slot(player).Policy) << "player " << player;
            EXPECT_EQ(actual.Slot(player).List.Rows(), expected.Slot(player).List.Rows())
                << "player " << player;
        }
    }
};

TEST_F(ConfigurationWrite, WritesEveryPlayerWithItsAttributesInOrder)
{
    players::Players players;
    players::PlayerSlot& second = players.Slot(1);
    second.Setting = { "Lobby & Bar", "Zone 2 (zone2)", 2.5f, 55, -300 };
    second.Policy.Type = players::POLICY_DATE_RANGE;
    second.Policy.BeginDate = persist::CalendarDate(2030, 1, 5);
    second.Policy.EndDate = persist::CalendarDate(2030, 12, 31);
    second.TimerWanted = true;
    second.Setting.DuckDb = 12;
    second.Setting.EvenLoudness = true;
    players::PlayerSlot& third = players.Slot(2);
    third.Policy.Week = { true, false, false, false, false, false, true };
    ASSERT_TRUE(third.List.AppendFile(AudioFile("first song.mp3", 61999), 61999));
    ASSERT_EQ(
        third.List.AppendFileAt(AudioFile("second.mp3", 400), 400, "8:5:0"), players::AppendResult::Appended);
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("Tessaly.cfg"), players));

    std::string expected = std::string(kHeader) + "<KVConfig Version=\"1.0.0\">\r\n"
        + "<Player ID=\"0\" Name=\"Player One\" Device=\"\" Volume=\"100\" Balance=\"0\" "
          "Amplify=\"1.000000\" Timer=\"0\" Duck=\"0\" Loudness=\"0\">\r\n"
          "<Program Type=\"1\" Week=\"124\"/>\r\n</Player>\r\n"
          "<Player ID=\"1\" Name=\"Lobby &amp; Bar\" Device=\"Zone 2 (zone2)\" Volume=\"55\" "
          "Balance=\"-300\" "
          "Amplify=\"2.500000\" Timer=\"1\" Duck=\"12\" Loudness=\"1\">\r\n<Program Type=\"0\" "
          "BeginDate=\"2030-1-5\" "
          "EndDate=\"2030-12-31\"/>\r\n</Player>\r\n"
          "<Player ID=\"2\" Name=\"Player Three\" Device=\"\" Volume=\"100\" Balance=\"0\" "
          "Amplify=\"1.000000\" Timer=\"0\" Duck=\"0\" Loudness=\"0\">\r\n"
          "<Program Type=\"1\" Week=\"130\"/>\r\n"
          "<File Path=\"first song.mp3\" BeginTime=\"00:00:01\" Duration=\"00:01:01\"/>\r\n"
          "<File Path=\"second.mp3\" BeginTime=\"8:5:0\" Duration=\"00:00:01\"/>\r\n</Player>\r\n";
    for (int player = 3; player < players::PLAYER_COUNT; ++player) {
        expected += "<Player ID=\"" + std::to_string(player) + "\" Name=\""
            + players::DefaultPlayerName(player)
            + "\" Device=\"\" Volume=\"100\" Balance=\"0\" Amplify=\"1.000000\" Timer=\"0\" Duck=\"0\" "
              "Loudness=\"0\">\r\n"
              "<Program Type=\"1\" Week=\"124\"/>\r\n</Player>\r\n";
    }
    expected += "</KVConfig>\r\n";
    EXPECT_EQ(WithoutFolder(ReadBytes(PathOf("Tessaly.cfg"))), expected);
}

TEST_F(ConfigurationWrite, WhatIsWrittenReadsBackIntoTheSamePlayersAndWritesTheSameBytes)
{
    players::Players original;
    ASSERT_NO_FATAL_FAILURE(FillAllPlayers(original, 24));
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("first.cfg"), original));

    players::Players loaded;
    ASSERT_TRUE(storage::ReadConfiguration(PathOf("first.cfg"), loaded, control, progress, June15()));
    ExpectSamePlayers(original, loaded);
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("second.cfg"), loaded));
    EXPECT_EQ(ReadBytes(PathOf("second.cfg")), ReadBytes(PathOf("first.cfg")));
}

TEST_F(ConfigurationWrite, PathsWithAnyLettersSurviveARoundTrip)
{
    const std::vector<std::string> names
        = { "with spaces  and  more.mp3", "Grüße – 日本語 ñ.flac", "Rock & Roll.mp3", "a<b>c.wav",
              "say \"hi\".ogg", "it's.mp3", "&amp; literally.mp3", "tab\there.mp3" };
    players::Players original;
    for (const std::string& name : names)
        ASSERT_TRUE(original.Slot(5).List.AppendFile(AudioFile(name, 2000), 2000)) << name;
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("Tessaly.cfg"), original));

    players::Players loaded;
    ASSERT_TRUE(storage::ReadConfiguration(PathOf("Tessaly.cfg"), loaded, control, progress, June15()));
    ASSERT_EQ(loaded.Slot(5).List.RowCount(), static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(loaded.Slot(5).List.Row(static_cast<int>(i)).Path, PathOf(names[i]));
        EXPECT_EQ(loaded.Slot(5).List.Row(static_cast<int>(i)).File, names[i]);
    }
}

// Switches the number format of the process to a decimal comma, as a desktop session in many
// languages does at start-up, and back to "C" afterwards. The locale is built on the spot, since
// the machine may have none installed.
class CommaDecimalLocale {
public:
    explicit CommaDecimalLocale(const std::filesystem::path& folder)
    {
        const std::filesystem::path source = folder / "comma.def";
        std::ofstream(source) << "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\n"
                                 "grouping 3;3\nEND LC_NUMERIC\n";
        const std::string command = "localedef -c -i '" + source.string() + "' -f ANSI_X3.4-1968 '"
            + (folder / "xx_XX").string() + "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        ::setenv("LOCPATH", folder.c_str(), 1);
        m_active = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr;
    }
    ~CommaDecimalLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    [[nodiscard]] bool Active() const { return m_active; }

private:
    bool m_active = false;
};

TEST_F(ConfigurationWrite, AmplificationIsWrittenWithADecimalPointWhateverTheLocale)
{
    players::Players players;
    players.Slot(0).Setting.Amplify = 2.5f;
    {
        const CommaDecimalLocale locale(m_dir);
        if (!locale.Active())
            GTEST_SKIP() << "no locale with a decimal comma could be made";
        char printed[32];
        std::snprintf(printed, sizeof printed, "%f", 2.5);
        ASSERT_STREQ(printed, "2,500000");
        ASSERT_TRUE(storage::WriteConfiguration(PathOf("Tessaly.cfg"), players));
    }
    EXPECT_NE(ReadBytes(PathOf("Tessaly.cfg")).find("Amplify=\"2.500000\""), std::string::npos);

    players::Players loaded;
    ASSERT_TRUE(storage::ReadConfiguration(PathOf("Tessaly.cfg"), loaded, control, progress, June15()));
    EXPECT_FLOAT_EQ(loaded.Slot(0).Setting.Amplify, 2.5f);
}

// Runs the write in a child process whose file size limit is lower than the new file, so that the
// write fails part way with EFBIG whatever the user's privileges. Returns the child's exit code:
// 0 when the write reported failure, 1 when it reported success.
int WriteWithFileSizeLimit(const std::string& path, const players::Players& players, rlim_t limit)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small { limit, limit };
        if (setrlimit(RLIMIT_FSIZE, &small) != 0)
            _exit(2);
        _exit(storage::WriteConfiguration(path, players) ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(ConfigurationWrite, AWriteThatCannotCompleteLeavesThePreviousFileByteForByte)
{
    players::Players before;
    ASSERT_NO_FATAL_FAILURE(FillAllPlayers(before, 1));
    const std::string path = PathOf("Tessaly.cfg");
    ASSERT_TRUE(storage::WriteConfiguration(path, before));
    const std::string good = ReadBytes(path);

    players::Players after;
    ASSERT_NO_FATAL_FAILURE(FillAllPlayers(after, 30));
    EXPECT_EQ(WriteWithFileSizeLimit(path, after, good.size()), 0);

    EXPECT_EQ(ReadBytes(path), good);
    // No half-written temporary file is left beside it.
    std::vector<std::string> expectedNames;
    for (const auto& [audio, duration] : control.durations)
        expectedNames.push_back(std::filesystem::path(audio).filename().string());
    expectedNames.emplace_back("Tessaly.cfg");
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(FileNames(m_dir), expectedNames);

    // The same write with room enough succeeds: the limit, nothing else, made it fail.
    EXPECT_EQ(WriteWithFileSizeLimit(path, after, RLIM_INFINITY), 1);
    EXPECT_NE(ReadBytes(path), good);
}

} // namespace
