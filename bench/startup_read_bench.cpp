// Start-up reading through the real engine: a configuration of 8 players with 200 listed files
// each (mixed WAV, MP3 and FLAC made by `scripts/make-test-media --many`), read by the
// configuration reader with every file measured by Sonarel's MediaDetect, as Tessaly does at
// every start. Prints the wall time and files per second.
//
//   startup_read_bench [files-per-player]      (default 200)

#include "control/Sonarel.h"
#include "persist/LoadProgress.h"
#include "players/Players.h"
#include "storage/ConfigurationFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class SilentProgress : public persist::ILoadProgress {
public:
    void Show() override { }
    void ShowLoading(std::string_view) override { }
    void Hide() override { }
};

} // namespace

int main(int argc, char** argv)
{
    const int perPlayer = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int total = perPlayer * players::PLAYER_COUNT;
    // N each of wav, mp3 and flac: enough distinct files that none is measured twice.
    const int perKind = (total + 2) / 3;
    const std::filesystem::path folder = std::filesystem::path(TESSALY_BINARY_DIR) / "bench-media" / "many";
    const std::string command = std::string(TESSALY_SOURCE_DIR) + "/scripts/make-test-media --many "
        + std::to_string(perKind) + " '" + folder.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scripts/make-test-media failed\n");
        return 1;
    }
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("many-", 0) == 0)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    if (static_cast<int>(files.size()) < total) {
        std::fprintf(stderr, "only %zu test files\n", files.size());
        return 1;
    }

    // Interleave the kinds so that every player lists WAV, MP3 and FLAC files.
    std::vector<std::string> mixed;
    for (int i = 0; i < perKind; ++i) {
        for (const char* kind : { ".wav", ".mp3", ".flac" }) {
            const auto match = std::find_if(files.begin(), files.end(), [&](const std::string& path) {
                return path.ends_with(kind)
                    && path.find("many-" + std::to_string(10000 + i).substr(1) + "-") != std::string::npos;
            });
            if (match != files.end())
                mixed.push_back(*match);
        }
    }
    if (static_cast<int>(mixed.size()) < total)
        mixed = files;

    players::Players written;
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        for (int row = 0; row < perPlayer; ++row) {
            const std::string& path = mixed[static_cast<std::size_t>(player * perPlayer + row)];
            (void)written.Slot(player).List.AppendFile(path, 5000);
        }
    }
    const std::string config = (folder.parent_path() / "Tessaly.cfg").string();
    if (!storage::WriteConfiguration(config, written)) {
        std::fprintf(stderr, "cannot write %s\n", config.c_str());
        return 1;
    }

    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(nullptr);
    SilentProgress progress;
    players::Players players;
    const auto start = std::chrono::steady_clock::now();
    const bool read = storage::ReadConfiguration(config, players, *control, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int rows = 0;
    for (const players::PlayerSlot& slot : players)
        rows += slot.List.RowCount();
    if (!read || rows != total) {
        std::fprintf(stderr, "read %s, %d of %d rows\n", read ? "succeeded" : "failed", rows, total);
        return 1;
    }
    std::printf("start-up read: %d files in %.3f s, %.0f files/s\n", rows, seconds, rows / seconds);
    return 0;
}
