#include "PlayerFakes.h"

#include "players/AsRunLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class MsClock final : public players::IClock {
public:
    std::int64_t ms = 0;

    std::time_t Now() const override { return static_cast<std::time_t>(ms / 1000); }
    std::int64_t NowMs() const override { return ms; }
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Contents(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    return text;
}

TEST(AsRunLog, EachLineTellsWhenToTheMillisecondWhichPlayerAndDeviceWhatFileAndWhatHappened)
{
    const ScopedTimeZone zone("UTC0");
    const fs::path folder = fs::temp_directory_path() / "as-run-log-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::unique_ptr<std::FILE, FileCloser> mirror(std::tmpfile());
    ASSERT_TRUE(mirror);

    players::Players players;
    players.Slot(2).Setting.Name = "Terrace";
    players.Slot(2).Setting.Device = "Zone 3 (zone3)";
    MsClock clock;
    players::AsRunLog log(players, clock, folder.string(), mirror.get());
    clock.ms = static_cast<std::int64_t>(June3(10, 0, 0)) * 1000 + 4;
    log.Write(2, "/srv/audio/news.mp3", "started");
    clock.ms = static_cast<std::int64_t>(June3(23, 59, 59)) * 1000 + 999;
    log.Write(0, {}, "timer stopped");
    // After midnight the lines go to the next day's file.
    clock.ms += 1;
    log.Write(2, "/srv/audio/news.mp3", "missed: its window 00:00:00-00:00:01 passed unseen");
    log.Write(9, "/nowhere.mp3", "started");

    const std::string june3
        = "2026-06-03 10:00:00.004 | 3 Terrace | Zone 3 (zone3) | /srv/audio/news.mp3 | started\n"
          "2026-06-03 23:59:59.999 | 1 Player One | default device | - | timer stopped\n";
    const std::string june4 = "2026-06-04 00:00:00.000 | 3 Terrace | Zone 3 (zone3) | /srv/audio/news.mp3 | "
                              "missed: its window 00:00:00-00:00:01 passed unseen\n";
    std::ostringstream first;
    first << std::ifstream(folder / "Tessaly-2026-06-03.log").rdbuf();
    std::ostringstream second;
    second << std::ifstream(folder / "Tessaly-2026-06-04.log").rdbuf();
    EXPECT_EQ(first.str(), june3);
    EXPECT_EQ(second.str(), june4);
    // Standard error gets the same lines.
    EXPECT_EQ(Contents(mirror.get()), june3 + june4);
    fs::remove_all(folder);
}

} // namespace
