// The main window with the real audio control and the default skin:
//
// 1. Start-up to first paint: a configuration of 8 players x 200 real files (WAV, MP3 and FLAC made
//    by `scripts/make-test-media --many`), each player on one of the test server's zones, from before the
//    window is constructed, through Create() (which reads the configuration and measures every listed file)
//    and show(), until the window's first paint event has been processed. Each run is a fresh window; the
//    first run of the process also pays for the audio engine's first start (plugin registry, cold caches) and
//    is reported on its own. The split: making the control, reading the configuration (the load window's
//    first show to its last hide) and the rest.
// 2. Idle CPU: the last window stays up with its lists loaded, every row placed twelve hours away from
//    now on a weekly policy that allows every day, so that the timers run but nothing is scheduled.
//    Process CPU time (getrusage, all threads) over a stretch of the running event loop, as the share
//    of one core, with the timers off and then on; then the cost of one timer tick on its own.
//
//   main_window_bench [runs] [idle-seconds]      (defaults 5 and 30)
//
// Run it on the offscreen platform (QT_QPA_PLATFORM=offscreen, the default here) with PULSE_SERVER
// set to the test sound server (scripts/sound-server), so that the control's device list does not
// reach the system's server. With GST_REGISTRY naming a file that does not exist yet, the first run
// also rebuilds the audio engine's plugin registry, as the first start after an install does.

#include "BenchWindow.h"
#include "control/Sonarel.h"
#include "players/MessageSink.h"
#include "players/Players.h"
#include "players/TimerScheduler.h"
#include "shell/MainCommands.h"
#include "shell/TessalyDlg.h"
#include "skin/BaseWnd.h"
#include "skin/KVSkin.h"
#include "skin/QtImageDecoder.h"
#include "storage/ConfigurationFile.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The shared parts of the window benchmarks (BenchWindow.h).
using namespace bench;

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int FILES_PER_PLAYER = 200;
constexpr int TOTAL_FILES = FILES_PER_PLAYER * players::PLAYER_COUNT;
// make-test-media makes this many of each kind; three kinds cover the 1600 rows.
constexpr int FILES_PER_KIND = (TOTAL_FILES + 2) / 3;
constexpr int PAINT_TIMEOUT_MS = 60000;
constexpr int TICK_ROUNDS = 1000;

double Seconds(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The names make-test-media gives the set of `--many count`, in the order it makes them: for each
// index a WAV, an MP3 and a FLAC file, so that consecutive runs of names mix the three kinds.
std::vector<std::string> ManyFileNames(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const int ms = 1000 + i * 4000 / count;
        const int rate = i % 2 != 0 ? 48000 : 44100;
        const int channels = i / 2 % 2 + 1;
        for (const char* kind : { "wav", "mp3", "flac" }) {
            char name[64];
            std::snprintf(name, sizeof name, "many-%04d-%dms-%dHz-%dch.%s", i + 1, ms, rate, channels, kind);
            names.emplace_back(name);
        }
    }
    return names;
}

// Writes the configuration: every player lists 200 files from one begin time on, every day allowed.
bool WriteBenchConfiguration(const std::string& path, const std::vector<std::string>& files, int beginHour)
{
    char begin[16];
    std::snprintf(begin, sizeof begin, "%02d:00:00", beginHour);
    players::Players players;
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        players::PlayerSlot& slot = players.Slot(player);
        // Each player on a zone of the test server, as on a site: the start looks every device up.
        const std::string zone = std::to_string(player % 3 + 1);
        slot.Setting.Device = "Zone " + zone + " (zone" + zone + ")";
        slot.Policy.Type = players::POLICY_WEEKLY;
        slot.Policy.Week.fill(true);
        for (int row = 0; row < FILES_PER_PLAYER; ++row) {
            const std::string& file = files[static_cast<std::size_t>(player * FILES_PER_PLAYER + row)];
            // The longest file of the set lasts 5 s: with this nominal length no row overlaps the next
            // once the reader has measured the real one, so every stored begin time is kept.
            if (row == 0) {
                if (slot.List.AppendFileAt(file, 5000, begin) != players::AppendResult::Appended)
                    return false;
            } else if (!slot.List.AppendFile(file, 5000)) {
                return false;
            }
        }
    }
    return storage::WriteConfiguration(path, players);
}

// Watches the whole application for the moments of one start-up: the load window's shows and hides
// while the configuration is read, and the first paint of the main window.
class StartupProbe : public QObject {
public:
    void Reset(const QWidget* window)
    {
        m_window = window;
        LoadFirstShown.reset();
        LoadLastHidden.reset();
        Painted = false;
    }

    std::optional<SteadyClock::time_point> LoadFirstShown;
    std::optional<SteadyClock::time_point> LoadLastHidden;
    bool Painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint) {
            if (watched == m_window && m_window != nullptr)
                Painted = true;
        } else if (type == QEvent::Show || type == QEvent::Hide) {
            if (watched->inherits("CLoadFileDlg")) {
                const SteadyClock::time_point now = SteadyClock::now();
                if (type == QEvent::Show && !LoadFirstShown)
                    LoadFirstShown = now;
                if (type == QEvent::Hide)
                    LoadLastHidden = now;
            }
        }
        return false;
    }

private:
    const QWidget* m_window = nullptr;
};

struct StartupRun {
    double total = 0;
    double control = 0;
    double configuration = 0;
    double create = 0;
};

CTessalyDlg::Environment BenchEnvironment(
    const std::string& configPath, StderrMessages& messages, double& controlSeconds)
{
    CTessalyDlg::Environment environment = WindowEnvironment(configPath, messages);
    environment.CreateControl
        = [make = environment.CreateControl, &controlSeconds](sonarel::ISonarelEvents* events) {
              const SteadyClock::time_point start = SteadyClock::now();
              std::unique_ptr<sonarel::ISonarel> control = make(events);
              controlSeconds = Seconds(start, SteadyClock::now());
              return control;
          };
    return environment;
}

int RowCount(CTessalyDlg& window)
{
    int rows = 0;
    for (const players::PlayerSlot& slot : window.GetPlayers())
        rows += slot.List.RowCount();
    return rows;
}

// One start-up; the window is left to the caller, shown and painted. Null on failure.
std::unique_ptr<CTessalyDlg> StartUp(CKVSkin& skin, const std::string& configPath, StderrMessages& messages,
    StartupProbe& probe, StartupRun& run)
{
    double controlSeconds = 0;
    CTessalyDlg::Environment environment = BenchEnvironment(configPath, messages, controlSeconds);
    const SteadyClock::time_point start = SteadyClock::now();
    auto window = std::make_unique<CTessalyDlg>(&skin, std::move(environment));
    probe.Reset(window.get());
    if (!window->Create()) {
        std::fprintf(stderr, "the main window could not be created\n");
        return nullptr;
    }
    const SteadyClock::time_point created = SteadyClock::now();
    window->show();
    // A timer wakes the wait now and then, so that a window that never paints ends the run.
    QTimer wake;
    wake.start(100);
    while (!probe.Painted && Seconds(start, SteadyClock::now()) * 1000 < PAINT_TIMEOUT_MS)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const SteadyClock::time_point painted = SteadyClock::now();
    if (!probe.Painted) {
        std::fprintf(stderr, "the main window was not painted within %d ms\n", PAINT_TIMEOUT_MS);
        return nullptr;
    }
    if (!probe.LoadFirstShown || !probe.LoadLastHidden) {
        std::fprintf(stderr, "the load window was not seen while the configuration was read\n");
        return nullptr;
    }
    if (const int rows = RowCount(*window); rows != TOTAL_FILES) {
        std::fprintf(stderr, "read %d of %d rows\n", rows, TOTAL_FILES);
        return nullptr;
    }
    run.total = Seconds(start, painted);
    run.control = controlSeconds;
    run.configuration = Seconds(*probe.LoadFirstShown, *probe.LoadLastHidden);
    run.create = Seconds(start, created);
    return window;
}

// Counts the paint events of every widget: what the idle program spends its time on besides the ticks.
class PaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

struct IdleResult {
    // Of one core.
    double cpuShare = 0;
    double paintsPerSecond = 0;
};

// Runs the event loop for a while: the share of one core the process used meanwhile.
IdleResult MeasureIdle(int seconds)
{
    PaintCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double cpuStart = CpuSeconds();
    const SteadyClock::time_point start = SteadyClock::now();
    loop.exec();
    const double wall = Seconds(start, SteadyClock::now());
    const double cpu = CpuSeconds() - cpuStart;
    QCoreApplication::instance()->removeEventFilter(&counter);
    return { cpu / wall, counter.Paints / wall };
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(2, std::atoi(argv[1])) : 5;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    UseGlibEventLoop();
    if (std::getenv("PULSE_SERVER") == nullptr)
        std::fprintf(stderr, "note: PULSE_SERVER is not set; the control lists the system's devices\n");

    const std::filesystem::path media = std::filesystem::path(TESSALY_BINARY_DIR) / "bench-media";
    const std::filesystem::path folder = media / "many";
    const std::string command = std::string(TESSALY_SOURCE_DIR) + "/scripts/make-test-media --many "
        + std::to_string(FILES_PER_KIND) + " '" + folder.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scripts/make-test-media failed\n");
        return 1;
    }
    std::vector<std::string> files;
    for (const std::string& name : ManyFileNames(FILES_PER_KIND)) {
        const std::filesystem::path path = folder / name;
        if (!std::filesystem::exists(path)) {
            std::fprintf(stderr, "missing %s\n", path.c_str());
            return 1;
        }
        files.push_back(path.string());
    }

    // Twelve hours from now, whole hour: the 20 minutes at most that a list spans never hold the
    // time of day during the run.
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    const int beginHour = (local.tm_hour + 12) % 24;
    const std::filesystem::path windowFolder = media / "main-window";
    std::filesystem::create_directories(windowFolder);
    const std::string configPath = (windowFolder / "Tessaly.cfg").string();
    if (!WriteBenchConfiguration(configPath, files, beginHour)) {
        std::fprintf(stderr, "cannot write %s\n", configPath.c_str());
        return 1;
    }

    qInstallMessageHandler(&QuietMessages);
    QApplication application(argc, argv);
    CKVSkin skin(std::make_unique<QtImageDecoder>());
    if (!LoadDefaultSkin(skin))
        return 1;

    int status = 0;
    {
        StderrMessages messages;
        StartupProbe probe;
        application.installEventFilter(&probe);

        std::printf("start-up to first paint: %d files (%d players x %d), %s platform\n", TOTAL_FILES,
            players::PLAYER_COUNT, FILES_PER_PLAYER, qgetenv("QT_QPA_PLATFORM").constData());
        std::vector<StartupRun> measured;
        std::unique_ptr<CTessalyDlg> window;
        for (int run = 0; run < runs; ++run) {
            // The previous window goes first, writing the configuration as the program does at exit.
            window.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            StartupRun result;
            window = StartUp(skin, configPath, messages, probe, result);
            if (!window) {
                status = 1;
                break;
            }
            std::printf("  run %d%s: %.3f s  (control %.3f s, configuration read %.3f s, rest %.3f s; "
                        "Create() returned at %.3f s)\n",
                run + 1, run == 0 ? " (first in process)" : "", result.total, result.control,
                result.configuration, result.total - result.control - result.configuration, result.create);
            measured.push_back(result);
        }
        application.removeEventFilter(&probe);

        if (status == 0) {
            std::vector<double> total;
            std::vector<double> control;
            std::vector<double> configuration;
            for (std::size_t run = 1; run < measured.size(); ++run) {
                total.push_back(measured[run].total);
                control.push_back(measured[run].control);
                configuration.push_back(measured[run].configuration);
            }
            const double medianTotal = Median(total);
            const double medianConfiguration = Median(configuration);
            const double medianControl = Median(control);
            std::printf("  first run: %.3f s; median of the other %zu: %.3f s (configuration read %.3f s, "
                        "control %.3f s, the rest %.3f s)\n",
                measured.front().total, total.size(), medianTotal, medianConfiguration, medianControl,
                medianTotal - medianConfiguration - medianControl);
        }

        if (status == 0) {
            players::TimerScheduler& scheduler = *window->Scheduler();
            for (int player = 0; player < players::PLAYER_COUNT; ++player) {
                if (scheduler.ScheduledItemAt(player) >= 0) {
                    std::fprintf(stderr, "player %d has a row scheduled now\n", player + 1);
                    status = 1;
                }
            }
        }
        if (status == 0) {
            std::printf("idle CPU, lists loaded, rows from %02d:00:00, every day allowed (today too), "
                        "nothing scheduled now; %d s each:\n",
                beginHour, idleSeconds);
            (void)MeasureIdle(2);
            const IdleResult off = MeasureIdle(idleSeconds);
            std::printf("  timers off: %.3f %% of one core (%.1f widget paints a second)\n",
                off.cpuShare * 100.0, off.paintsPerSecond);

            window->RunCommand(ID_START_ALL_TIMERS);
            for (const players::PlayerSlot& slot : window->GetPlayers()) {
                if (!slot.TimerOn()) {
                    std::fprintf(stderr, "a player's timer did not start\n");
                    status = 1;
                }
            }
            if (status == 0) {
                (void)MeasureIdle(2);
                const IdleResult on = MeasureIdle(idleSeconds);
                std::printf("  timers on:  %.3f %% of one core (%.1f widget paints a second)\n",
                    on.cpuShare * 100.0, on.paintsPerSecond);

                // The tick handler on its own: what the timers run once a second, for all eight.
                players::TimerScheduler& scheduler = *window->Scheduler();
                const SteadyClock::time_point start = SteadyClock::now();
                for (int round = 0; round < TICK_ROUNDS; ++round)
                    scheduler.Tick();
                const double perTick = Seconds(start, SteadyClock::now()) / TICK_ROUNDS;
                QCoreApplication::processEvents();
                std::printf("  one tick of the eight timers: %.2f us (%.4f %% of one core, without the "
                            "repaints it causes)\n",
                    perTick * 1e6, perTick * 100.0);
                window->RunCommand(ID_STOP_ALL_TIMERS);
            }
        }
        if (messages.Count != 0) {
            std::fprintf(stderr, "%d messages were shown\n", messages.Count);
            status = 1;
        }
        window.reset();
    }
    skin.UnloadSkin();
    return status;
}
