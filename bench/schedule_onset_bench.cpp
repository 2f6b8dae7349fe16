// Rows on the second: eight players, each on its own zone of the test sound server, each with a row
// in the same seconds, twenty times over. The main window runs with the real control and the default
// skin; every zone's monitor is recorded, and for every row the bench finds when its tone began to
// sound, on the wall clock:
//
// - onset: how long after the wall-clock second of its BeginTime a row began to sound (160 rows);
// - spread: how far apart the eight rows of one second began to sound (20 seconds).
//
// It prints the median and the worst of each. The recordings are set on one time line from many looks
// at how much of each has arrived (RecordingStart), so the spread is not blurred by the moments the
// eight recorders happened to start.
//
//   schedule_onset_bench [rows] [seconds-between-rows]      (defaults 20 and 4)
//
// Run it on the offscreen platform (the default here) with PULSE_SERVER set to the test sound server
// (scripts/sound-server), whose three zones it completes to eight with null sinks of its own, removed
// again at the end. Needs ffmpeg for the tone.

#include "BenchWindow.h"
#include "players/MessageSink.h"
#include "players/Players.h"
#include "shell/MainCommands.h"
#include "shell/TessalyDlg.h"
#include "skin/BaseWnd.h"
#include "skin/KVSkin.h"
#include "skin/QtImageDecoder.h"
#include "storage/ConfigurationFile.h"
#include "support/ChildProcess.h"
#include "support/ClockText.h"
#include "support/MonitorRecorder.h"
#include "support/SoundLevel.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

// The shared parts of the window benchmarks (BenchWindow.h).
using namespace bench;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int ZONES = players::PLAYER_COUNT;
constexpr int RATE = MonitorRecorder::kRate;
constexpr int TONE_MS = 1000;
// The first row begins this long after the configuration is written: the window must be up and its
// timers started by then.
constexpr int LEAD_SECONDS = 12;
// A tone counts as sounding from its first sample above this level.
constexpr double ONSET_DBFS = -50.0;

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The zones the test server lacks, as null sinks that go again when this goes.
class ExtraZones {
public:
    ExtraZones() = default;
    ExtraZones(const ExtraZones&) = delete;
    ExtraZones& operator=(const ExtraZones&) = delete;
    ~ExtraZones()
    {
        for (const std::string& module : m_modules)
            (void)CommandOutput("pactl unload-module " + module);
    }

    bool Ensure(int zone)
    {
        const std::string sink = "zone" + std::to_string(zone);
        const std::string sinks = CommandOutput("pactl list short sinks");
        if (sinks.find("\t" + sink + "\t") != std::string::npos)
            return true;
        std::string module = CommandOutput("pactl load-module module-null-sink sink_name=" + sink
            + " 'sink_properties=\"device.description='\\''Zone " + std::to_string(zone) + "'\\''\"'");
        while (!module.empty() && (module.back() == '\n' || module.back() == ' '))
            module.pop_back();
        if (module.empty())
            return false;
        m_modules.push_back(module);
        return true;
    }

private:
    std::vector<std::string> m_modules;
};

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int gap = argc > 2 ? std::max(2, std::atoi(argv[2])) : 4;
    UseGlibEventLoop();
    if (std::getenv("PULSE_SERVER") == nullptr) {
        std::fprintf(stderr, "set PULSE_SERVER to the test sound server (scripts/sound-server)\n");
        return 1;
    }
    ExtraZones extra;
    for (int zone = 1; zone <= ZONES; ++zone) {
        if (!extra.Ensure(zone)) {
            std::fprintf(stderr, "cannot make zone%d on the sound server\n", zone);
            return 1;
        }
    }

    const fs::path folder = fs::path(TESSALY_BINARY_DIR) / "bench-media" / "schedule-onset";
    fs::create_directories(folder);
    const fs::path tone = folder / "tone.wav";
    {
        ChildProcess ffmpeg;
        if (!ffmpeg.Start({ "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
                "-i", "sine=f=600:d=" + std::to_string(TONE_MS / 1000.0) + ",volume=2,pan=stereo|c0=c0|c1=c0",
                "-c:a", "pcm_s16le", "-ar", std::to_string(RATE), tone.string() })
            || !ffmpeg.Wait(60s) || !ffmpeg.ExitedWith(0)) {
            std::fprintf(stderr, "ffmpeg could not make the tone: %s\n", ffmpeg.ErrorOutput().c_str());
            return 1;
        }
    }

    // The rows must not run past midnight.
    const int span = LEAD_SECONDS + rows * gap + 10;
    {
        const std::time_t now = std::time(nullptr);
        std::tm local {};
        localtime_r(&now, &local);
        const int left = 24 * 3600 - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
        if (left < span) {
            std::printf("waiting %d s for midnight to pass\n", left + 1);
            std::this_thread::sleep_for(std::chrono::seconds(left + 1));
        }
    }
    const std::time_t first = std::time(nullptr) + LEAD_SECONDS;
    const std::string configPath = (folder / "Tessaly.cfg").string();
    {
        players::Players players;
        for (int player = 0; player < players::PLAYER_COUNT; ++player) {
            players::PlayerSlot& slot = players.Slot(player);
            const std::string zone = std::to_string(player + 1);
            slot.Setting.Name = "Zone " + zone;
            slot.Setting.Device = "Zone " + zone + " (zone" + zone + ")";
            slot.Policy.Type = players::POLICY_WEEKLY;
            slot.Policy.Week.fill(true);
            for (int row = 0; row < rows; ++row) {
                if (slot.List.AppendFileAt(tone.string(), TONE_MS, ClockText(first + row * gap))
                    != players::AppendResult::Appended) {
                    std::fprintf(stderr, "cannot place row %d\n", row);
                    return 1;
                }
            }
        }
        if (!storage::WriteConfiguration(configPath, players)) {
            std::fprintf(stderr, "cannot write %s\n", configPath.c_str());
            return 1;
        }
    }

    std::vector<std::unique_ptr<MonitorRecorder>> recorders;
    for (int zone = 1; zone <= ZONES; ++zone) {
        recorders.push_back(std::make_unique<MonitorRecorder>("zone" + std::to_string(zone)));
        if (!recorders.back()->Start()) {
            std::fprintf(stderr, "%s\n", recorders.back()->Error().c_str());
            return 1;
        }
    }
    std::array<RecordingStart, ZONES> starts;
    const auto look = [&] {
        for (std::size_t zone = 0; zone < recorders.size(); ++zone) {
            const double wall = WallSeconds();
            starts[zone].Look(wall, recorders[zone]->RecordedSeconds());
        }
    };

    qInstallMessageHandler(&QuietMessages);
    QApplication application(argc, argv);
    CKVSkin skin(std::make_unique<QtImageDecoder>());
    if (!LoadDefaultSkin(skin))
        return 1;
    int status = 0;
    {
        StderrMessages messages;
        CTessalyDlg::Environment environment = WindowEnvironment(configPath, messages);
        environment.StartTimers = false;
        auto window = std::make_unique<CTessalyDlg>(&skin, std::move(environment));
        if (!window->Create()) {
            std::fprintf(stderr, "the main window could not be created\n");
            return 1;
        }
        window->show();
        if (WallSeconds() > static_cast<double>(first) - 1.0) {
            std::fprintf(stderr, "the window took too long to start\n");
            return 1;
        }
        window->RunCommand(ID_START_ALL_TIMERS);

        QTimer looker;
        QObject::connect(&looker, &QTimer::timeout, look);
        looker.start(20);
        QEventLoop loop;
        const double end = static_cast<double>(first + (rows - 1) * gap) + TONE_MS / 1000.0 + 2.0;
        QTimer::singleShot(static_cast<int>((end - WallSeconds()) * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        looker.stop();
        look();
        window->RunCommand(ID_STOP_ALL_TIMERS);
        window.reset();
    }
    skin.UnloadSkin();
    for (const auto& recorder : recorders)
        (void)recorder->Stop();

    std::vector<double> onsets;
    std::vector<double> spreads;
    std::printf("onset after the begin second, ms (zones 1-8), and the spread between them:\n");
    for (int row = 0; row < rows; ++row) {
        const double begin = static_cast<double>(first + row * gap);
        std::vector<double> rowOnsets;
        std::printf("  %s ", ClockText(first + row * gap).c_str());
        for (std::size_t zone = 0; zone < recorders.size(); ++zone) {
            const std::vector<std::int16_t> samples = recorders[zone]->Samples();
            const double from = begin - 0.3 - starts[zone].Seconds();
            const auto firstFrame = static_cast<std::size_t>(std::max(0.0, from) * RATE);
            const std::size_t frames = static_cast<std::size_t>(1.8 * RATE);
            const std::size_t total = samples.size() / MonitorRecorder::kChannels;
            if (firstFrame >= total) {
                std::printf("   -  ");
                status = 1;
                continue;
            }
            const std::span<const std::int16_t> stretch(
                samples.data() + firstFrame * MonitorRecorder::kChannels,
                std::min(frames, total - firstFrame) * MonitorRecorder::kChannels);
            const SoundLevels levels = MeasureRms(stretch, MonitorRecorder::kChannels, ONSET_DBFS);
            if (levels.frames == 0) {
                std::printf("   -  ");
                status = 1;
                continue;
            }
            const double onset
                = starts[zone].Seconds() + static_cast<double>(firstFrame + levels.firstFrame) / RATE - begin;
            rowOnsets.push_back(onset);
            onsets.push_back(onset);
            std::printf("%5.0f ", onset * 1000.0);
        }
        if (rowOnsets.size() == static_cast<std::size_t>(ZONES)) {
            const auto [low, high] = std::minmax_element(rowOnsets.begin(), rowOnsets.end());
            spreads.push_back(*high - *low);
            std::printf("  spread %4.0f\n", (*high - *low) * 1000.0);
        } else {
            std::printf("  (a zone stayed silent)\n");
        }
    }
    if (!onsets.empty() && !spreads.empty())
        std::printf("onset: median %.0f ms, worst %.0f ms (%zu rows); spread: median %.0f ms, worst %.0f ms "
                    "(%zu seconds)\n",
            Median(onsets) * 1000.0, *std::max_element(onsets.begin(), onsets.end()) * 1000.0, onsets.size(),
            Median(spreads) * 1000.0, *std::max_element(spreads.begin(), spreads.end()) * 1000.0,
            spreads.size());
    return status;
}
