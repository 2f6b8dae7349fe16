// Start-up cost of the configuration reader: 8 players with 200 listed files each. The control's
// MediaDetect answers at once here, so the figure is the reader's own work (parsing, the existence
// check of every file, placing the rows); measuring real files adds the engine's time per file.
// Also the shutdown write of the same configuration.

#include "persist/LoadProgress.h"
#include "players/Players.h"
#include "storage/ConfigurationFile.h"
#include "support/NullSonarel.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kFilesPerPlayer = 200;
constexpr std::int32_t kDurationMs = 240000;

// Measures every file as four minutes long, instantly; everything else fails.
class InstantSonarel : public NullSonarel {
public:
    bool MediaDetect(
        const char*, std::int32_t* pnDuration, short*, short*, std::int32_t*, short*, std::int32_t*) override
    {
        if (pnDuration)
            *pnDuration = kDurationMs;
        return true;
    }
    bool IsAudioDeviceExist(const char*) override { return true; }
};

class SilentProgress : public persist::ILoadProgress {
public:
    void Show() override { }
    void ShowLoading(std::string_view path) override { benchmark::DoNotOptimize(path.data()); }
    void Hide() override { }
};

// A folder of empty audio files and a configuration that lists them all.
class Fixture {
public:
    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "config_bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        m_folder = pattern;
        for (int player = 0; player < players::PLAYER_COUNT; ++player) {
            players::PlayerSlot& slot = m_players.Slot(player);
            slot.Setting.Device
                = "Zone " + std::to_string(player + 1) + " (zone" + std::to_string(player + 1) + ")";
            const std::filesystem::path folder
                = m_folder / ("Zone " + std::to_string(player + 1)) / "Grüße & Co";
            std::filesystem::create_directories(folder);
            for (int row = 0; row < kFilesPerPlayer; ++row) {
                const std::string path = (folder / ("Track " + std::to_string(row) + ".mp3")).string();
                std::ofstream(path).put('\0');
                // Every third row starts after a gap, so that stored begin times are parsed too.
                if (row % 3 == 0)
                    (void)slot.List.AppendFileAt(
                        path, kDurationMs, slot.List.LastEndTime().PlusSeconds(60).Text());
                else
                    (void)slot.List.AppendFile(path, kDurationMs);
            }
        }
        m_ready = storage::WriteConfiguration(Path(), m_players);
    }
    ~Fixture()
    {
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    [[nodiscard]] bool Ready() const { return m_ready; }
    [[nodiscard]] std::string Path() const { return (m_folder / "Tessaly.cfg").string(); }
    [[nodiscard]] const players::Players& Written() const { return m_players; }

private:
    std::filesystem::path m_folder;
    players::Players m_players;
    bool m_ready = false;
};

void BM_ReadConfiguration(benchmark::State& state)
{
    const Fixture fixture;
    if (!fixture.Ready()) {
        state.SkipWithError("could not write the configuration");
        return;
    }
    InstantSonarel control;
    SilentProgress progress;
    std::int64_t files = 0;
    for (auto _ : state) {
        players::Players players;
        if (!storage::ReadConfiguration(fixture.Path(), players, control, progress)) {
            state.SkipWithError("read failed");
            return;
        }
        for (const players::PlayerSlot& slot : players)
            files += slot.List.RowCount();
    }
    if (files != static_cast<std::int64_t>(state.iterations()) * players::PLAYER_COUNT * kFilesPerPlayer)
        state.SkipWithError("not every file was listed");
    state.counters["files"] = benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsRate);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(fixture.Path()));
}
BENCHMARK(BM_ReadConfiguration)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteConfiguration(benchmark::State& state)
{
    const Fixture fixture;
    if (!fixture.Ready()) {
        state.SkipWithError("could not write the configuration");
        return;
    }
    for (auto _ : state) {
        if (!storage::WriteConfiguration(fixture.Path(), fixture.Written())) {
            state.SkipWithError("write failed");
            return;
        }
    }
    state.counters["files"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * players::PLAYER_COUNT * kFilesPerPlayer,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WriteConfiguration)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
