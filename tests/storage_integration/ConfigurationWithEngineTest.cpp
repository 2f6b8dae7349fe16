#include "control/Sonarel.h"
#include "persist/LoadProgress.h"
#include "players/Players.h"
#include "storage/ConfigurationFile.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class RecordingProgress : public persist::ILoadProgress {
public:
    void Show() override { }
    void ShowLoading(std::string_view path) override { shown.emplace_back(path); }
    void Hide() override { }
    std::vector<std::string> shown;
};

class ConfigurationWithEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        if (!SoundServerConfigured(error))
            GTEST_FAIL() << error;
        for (const char* name : { "tone.wav", "tone.mp3", "tone.flac", "tone-10s.wav" }) {
            media.push_back(TestMediaFile(name, error));
            ASSERT_FALSE(media.back().empty()) << error;
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "config-engine-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    std::string Write(const std::string& text) const
    {
        const std::string path = (folder / "Tessaly.cfg").string();
        std::ofstream(path) << text;
        return path;
    }

    std::vector<std::string> media;
    std::filesystem::path folder;
    sonarel::ISonarelEvents events;
};

TEST_F(ConfigurationWithEngineTest, ListedFilesAreMeasuredByTheEngineAndDevicesKeptWhetherOrNotThere)
{
    // Stored durations are absent on purpose: every length comes from the file itself.
    const std::string path = Write("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                   "<KVConfig Version=\"1.0.0\">\r\n"
                                   "<Player ID=\"0\" Name=\"Hall\" Device=\"Zone 2 (zone2)\">\r\n"
                                   "<File Path=\""
        + media[0] + "\" BeginTime=\"08:00:00\"/>\r\n<File Path=\"" + media[1] + "\"/>\r\n<File Path=\""
        + media[2] + "\"/>\r\n<File Path=\"" + media[3]
        + "\" BeginTime=\"09:00:00\"/>\r\n"
          "<File Path=\""
        + (folder / "missing.wav").string()
        + "\"/>\r\n"
          "</Player>\r\n"
          "<Player ID=\"1\" Name=\"Yard\" Device=\"Zone 9 (zone9)\"/>\r\n"
          "</KVConfig>\r\n");

    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&events);
    players::Players players;
    RecordingProgress progress;
    ASSERT_TRUE(storage::ReadConfiguration(path, players, *control, progress));

    EXPECT_EQ(players.Slot(0).Setting.Device, "Zone 2 (zone2)");
    EXPECT_EQ(players.Slot(1).Setting.Device, "Zone 9 (zone9)") << "a device that may come later is kept";

    const players::PlayList& list = players.Slot(0).List;
    ASSERT_EQ(list.RowCount(), 4) << "the missing file without a stored length is dropped";
    const char* durations[] = { "00:00:03", "00:00:03", "00:00:03", "00:00:10" };
    const char* begins[] = { "08:00:00", "08:00:04", "08:00:08", "09:00:00" };
    const char* ends[] = { "08:00:03", "08:00:07", "08:00:11", "09:00:10" };
    for (int row = 0; row < list.RowCount(); ++row) {
        SCOPED_TRACE(list.Row(row).Path);
        EXPECT_EQ(list.Row(row).Duration, durations[row]);
        EXPECT_EQ(list.Row(row).BeginTime, begins[row]);
        EXPECT_EQ(list.Row(row).EndTime, ends[row]);
    }
    EXPECT_EQ(progress.shown.size(), 4u) << "each file that exists is shown while it is measured";
}

} // namespace
