// The program as a user runs it: the real binary on a private X server, playing on the private
// sound server's zones, completed to eight by the test. A prepared configuration puts a tone of its
// own on each of the eight players, each player on its own zone, all in the same second; the timers
// are started with a click on the tool bar, and the zones' monitors show what sounded where and
// when, which the program's as-run log must tell the same. A second copy must refuse to run, and
// closing the window must leave the configuration on disk.

#include "XServer.h"

#include "support/ChildProcess.h"
#include "support/ClockText.h"
#include "support/MonitorRecorder.h"
#include "support/SoundLevel.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <numbers>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using WallClock = std::chrono::system_clock;

constexpr int RATE = MonitorRecorder::kRate;

// The rows begin this long after the configuration is written: enough for the sanitizer build to
// start on a busy machine, which takes a few seconds at most.
constexpr int LEAD_SECONDS = 15;
// Not a whole number of seconds: the row's window is the whole seconds, and the rest must still be
// heard.
constexpr double TONE_SECONDS = 3.9;
// Every row starts this soon after the second of its BeginTime, and the eight rows of one second
// this close to each other.
constexpr double ONSET_LIMIT_SECONDS = 0.1;
constexpr double SPREAD_LIMIT_SECONDS = 0.03;
// A null sink renders its audio, and hands it to its monitor, in blocks a little ahead of the wall
// clock: a row may seem to start this much before its second.
constexpr double RENDER_AHEAD_SECONDS = 0.02;
constexpr double LENGTH_TOLERANCE_SECONDS = 0.05;
// How far the as-run log's times may lie from what the recordings show.
constexpr double LOG_TOLERANCE_SECONDS = 0.1;

constexpr int ZONES = 8;
// Each zone's tone; neighbours are far enough apart to tell them from each other.
constexpr double FrequencyOf(int zone)
{
    return 500.0 + 150.0 * zone;
}
constexpr double FREQUENCY_A = FrequencyOf(0);
constexpr double FREQUENCY_B = FrequencyOf(1);

// A weekly policy with all seven days on (bit d + 1 for day d, Sunday = 0), so that the rows play
// whatever the day; the default leaves the weekend out.
constexpr const char* EVERY_DAY = "<Program Type=\"1\" Week=\"254\"/>";

// The main window is never smaller than this. The load window, which shows for a moment while the
// configuration's files are measured at start-up, is.
constexpr int MAIN_MIN_WIDTH = 492;
constexpr int MAIN_MIN_HEIGHT = 420;

// Where the window's items are, relative to its top left corner. The panes sit 1 px inside the
// window, the tool bar under the 30 px caption; its image buttons are 30 px square, 2 px apart
// and 4 px below the bar's top edge, "Start All Timer" being the fifth. The caption's close
// button is 20 px square, 2 px from the right end and 4 px below the top.
constexpr int START_ALL_X = 1 + 2 + 4 * (30 + 2) + 15;
constexpr int START_ALL_Y = 1 + 30 + 4 + 15;
constexpr int CLOSE_FROM_RIGHT = 1 + 2 + 10;
constexpr int CLOSE_Y = 1 + 4 + 10;
// The player panel's two rows lie between these heights, under the tool bar. Each player's button
// shows a clock while its timer runs; the rightmost quarter is far from the tool tip of "Start All
// Timer", so only the timers change it.
constexpr int PLAYER_PANEL_TOP = 74;
constexpr int PLAYER_PANEL_HEIGHT = 46;

std::string DateText(std::time_t time)
{
    std::tm local {};
    localtime_r(&time, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

// The wall-clock time of the first line of the as-run log that ends with `tail`, from the local time
// to the millisecond that begins the line.
std::optional<double> LoggedAt(const std::string& log, const std::string& tail)
{
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (!line.ends_with(tail))
            continue;
        std::tm local {};
        int ms = 0;
        if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d", &local.tm_year, &local.tm_mon, &local.tm_mday,
                &local.tm_hour, &local.tm_min, &local.tm_sec, &ms)
            != 7)
            return std::nullopt;
        local.tm_year -= 1900;
        local.tm_mon -= 1;
        local.tm_isdst = -1;
        return static_cast<double>(std::mktime(&local)) + ms / 1000.0;
    }
    return std::nullopt;
}

int SecondsToMidnight(std::time_t time)
{
    std::tm local {};
    localtime_r(&time, &local);
    return 24 * 3600 - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Power of one frequency in a channel of interleaved stereo (Goertzel), in dB of an arbitrary
// reference: only differences between frequencies of the same stretch mean anything.
double ToneDb(const std::vector<std::int16_t>& stereo, std::size_t firstFrame, std::size_t frames,
    int channel, double frequency)
{
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / RATE);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (std::size_t frame = firstFrame; frame < firstFrame + frames; ++frame) {
        const double sample = stereo[frame * 2 + static_cast<std::size_t>(channel)] / 32768.0;
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power
        = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 10.0 * std::log10(power / static_cast<double>(frames * frames) + 1e-30);
}

// What one zone's monitor recorded, measured.
struct ZoneSound {
    SoundLevels levels;
    // Wall-clock time of the first sounding sample.
    double onset = 0.0;
    double toneA = 0.0;
    double toneB = 0.0;
    bool silent = true;
};

ZoneSound Analyse(const std::vector<std::int16_t>& samples, double recordingStart)
{
    ZoneSound zone;
    zone.silent = IsSilent(samples, kSilenceDbfs);
    if (zone.silent)
        return zone;
    zone.levels = MeasureRms(samples, MonitorRecorder::kChannels, kSilenceDbfs);
    zone.onset = recordingStart + zone.levels.StartSeconds(RATE);
    zone.toneA = ToneDb(samples, zone.levels.firstFrame, zone.levels.frames, 0, FREQUENCY_A);
    zone.toneB = ToneDb(samples, zone.levels.firstFrame, zone.levels.frames, 0, FREQUENCY_B);
    return zone;
}

double ToSeconds(WallClock::time_point time)
{
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

// A zone of the test's own, beyond the sound server's three, or one that comes up while the program
// runs (a USB adapter plugged in late); gone again at the end of the test whatever happens.
class LateZone {
public:
    LateZone(std::string sink, const std::string& description)
        : m_sink(std::move(sink))
        , m_description(description)
    {
    }
    LateZone(const LateZone&) = delete;
    LateZone& operator=(const LateZone&) = delete;
    ~LateZone()
    {
        if (!m_module.empty())
            (void)CommandOutput("pactl unload-module " + m_module);
    }

    [[nodiscard]] bool Plug()
    {
        m_module = CommandOutput("pactl load-module module-null-sink sink_name=" + m_sink
            + " 'sink_properties=\"device.description='\\''" + m_description + "'\\''\"'");
        while (!m_module.empty() && (m_module.back() == '\n' || m_module.back() == ' '))
            m_module.pop_back();
        return !m_module.empty();
    }

private:
    std::string m_sink;
    std::string m_description;
    std::string m_module;
};

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The element of one player in a written configuration, or empty.
std::string PlayerElement(const std::string& configuration, int player)
{
    const std::regex element("<Player ID=\"" + std::to_string(player) + "\"[^>]*>[\\s\\S]*?</Player>");
    std::smatch match;
    return std::regex_search(configuration, match, element) ? match.str() : std::string();
}

class ProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(SoundServerConfigured(error)) << error;
        work = fs::path(TESSALY_E2E_WORK_DIR);
        std::error_code ignored;
        fs::remove_all(work, ignored);
        fs::create_directories(work / "runtime");
        fs::permissions(work / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        // A copy of the program in a folder of its own: it keeps its configuration next to itself.
        fs::copy_file(TESSALY_PROGRAM, work / "Tessaly");
        fs::copy(TESSALY_SKIN_DIR, work / "skin", fs::copy_options::recursive);
        // The desktop session's libraries keep a few allocations for the whole process.
        std::ofstream(work / "lsan.supp")
            << ReadText(fs::path(TESSALY_SOURCE_DIR) / "scripts/lsan.supp")
            << ReadText(fs::path(TESSALY_SOURCE_DIR) / "tests/e2e/lsan-x11.supp");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cout << "Program's standard error:\n"
                      << program.ErrorOutput() << "\nSecond copy's:\n"
                      << secondCopy.ErrorOutput() << "\n";
        }
    }

    // A stereo sine; volume 2 peaks at -12 dBFS.
    void MakeTone(const fs::path& path, double frequency, double seconds = TONE_SECONDS, double volume = 2.0)
    {
        ChildProcess ffmpeg;
        ASSERT_TRUE(ffmpeg.Start(
            { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                "sine=f=" + std::to_string(static_cast<int>(frequency)) + ":d=" + std::to_string(seconds)
                    + ",volume=" + std::to_string(volume) + ",pan=stereo|c0=c0|c1=c0",
                "-c:a", "pcm_s16le", path.string() }))
            << ffmpeg.Error();
        ASSERT_TRUE(ffmpeg.Wait(60s));
        ASSERT_TRUE(ffmpeg.ExitedWith(0)) << ffmpeg.ErrorOutput();
    }

    [[nodiscard]] static std::string NameOf(int zone) { return "Zone " + std::to_string(zone + 1); }
    [[nodiscard]] static std::string DeviceOf(int zone)
    {
        return NameOf(zone) + " (zone" + std::to_string(zone + 1) + ")";
    }
    [[nodiscard]] fs::path ToneOf(int zone) const
    {
        return work / ("tone-" + std::to_string(zone + 1) + ".wav");
    }

    // Player n plays its own tone on zone n + 1, all at the same begin time.
    void WriteConfiguration(const std::string& begin)
    {
        std::ofstream out(work / "Tessaly.cfg");
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<KVConfig Version=\"1.0.0\">\n";
        for (int zone = 0; zone < ZONES; ++zone)
            out << "<Player ID=\"" << zone << "\" Name=\"" << NameOf(zone) << "\" Device=\"" << DeviceOf(zone)
                << "\" Volume=\"100\" Balance=\"0\" Amplify=\"1.000000\">\n"
                << EVERY_DAY << "\n<File Path=\"" << ToneOf(zone).string() << "\" BeginTime=\"" << begin
                << "\"/>\n</Player>\n";
        out << "</KVConfig>\n";
    }

    [[nodiscard]] std::vector<std::string> ProgramCommand() const
    {
        // Strict string checks take the keyboard library's strndup() of a counted, unterminated
        // buffer for an overflow; every other sanitizer setting stays as the test runner chose.
        const char* asan = std::getenv("ASAN_OPTIONS");
        return { "env", "DISPLAY=" + x.Display(), "QT_QPA_PLATFORM=xcb",
            "ASAN_OPTIONS=" + std::string(asan != nullptr ? asan : "") + ":strict_string_checks=0",
            "XDG_RUNTIME_DIR=" + (work / "runtime").string(),
            "LSAN_OPTIONS=suppressions=" + (work / "lsan.supp").string() + ":print_suppressions=0",
            (work / "Tessaly").string() };
    }

    fs::path work;
    XServer x;
    ChildProcess program;
    ChildProcess secondCopy;
};

TEST_F(ProgramRunTest, EightZonesStartOnTheSecondTogetherWholeAsLoggedAndTheConfigurationSurvives)
{
    std::vector<std::unique_ptr<LateZone>> extraZones;
    for (int zone = 3; zone < ZONES; ++zone) {
        extraZones.push_back(std::make_unique<LateZone>("zone" + std::to_string(zone + 1), NameOf(zone)));
        ASSERT_TRUE(extraZones.back()->Plug()) << "cannot load " << NameOf(zone);
    }
    for (int zone = 0; zone < ZONES; ++zone)
        ASSERT_NO_FATAL_FAILURE(MakeTone(ToneOf(zone), FrequencyOf(zone)));

    // Rows that would run past midnight end their list, so wait for the new day instead.
    const int span = LEAD_SECONDS + static_cast<int>(TONE_SECONDS) + 10;
    if (const int left = SecondsToMidnight(std::time(nullptr)); left < span) {
        std::cout << "Waiting " << left + 1 << " s for midnight to pass\n";
        std::this_thread::sleep_for(std::chrono::seconds(left + 1));
    }
    const std::time_t begin = std::time(nullptr) + LEAD_SECONDS;
    WriteConfiguration(ClockText(begin));

    ASSERT_TRUE(x.Start()) << x.Error();
    std::vector<std::unique_ptr<MonitorRecorder>> zones;
    std::vector<RecordingStart> recordingStarts(ZONES);
    for (int zone = 0; zone < ZONES; ++zone) {
        zones.push_back(std::make_unique<MonitorRecorder>("zone" + std::to_string(zone + 1)));
        ASSERT_TRUE(zones.back()->Start()) << zones.back()->Error();
    }
    // Sets the recordings on the wall clock: looked at often while they run.
    const auto lookUntil = [&](WallClock::time_point until) {
        do {
            for (int zone = 0; zone < ZONES; ++zone)
                recordingStarts[static_cast<std::size_t>(zone)].Look(
                    ToSeconds(WallClock::now()), zones[static_cast<std::size_t>(zone)]->RecordedSeconds());
            std::this_thread::sleep_for(10ms);
        } while (WallClock::now() < until);
    };

    const auto launched = std::chrono::steady_clock::now();
    ASSERT_TRUE(program.Start(ProgramCommand())) << program.Error();
    const unsigned long window = x.WaitForWindowOf(program, 90s, MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT);
    ASSERT_NE(window, 0UL) << x.Error();
    const double startup = SecondsSince(launched);
    std::cout << "[ measure ] start-up until the window shows: " << startup << " s\n";
    XServer::Geometry geometry;
    ASSERT_TRUE(x.GetGeometry(window, geometry)) << x.Error();

    // The timers must be running before the rows begin, or their onsets mean nothing.
    ASSERT_LT(ToSeconds(WallClock::now()), static_cast<double>(begin) - 1.0)
        << "the program took " << startup << " s to show its window, too long for rows " << LEAD_SECONDS
        << " s ahead";
    // The player buttons show a clock once their timers run: the sign that the click arrived.
    const XServer::Geometry players { geometry.x + geometry.width * 3 / 4, geometry.y + PLAYER_PANEL_TOP,
        geometry.width / 4 - 4, PLAYER_PANEL_HEIGHT };
    std::string idle;
    ASSERT_TRUE(x.Capture(players, idle)) << x.Error();
    ASSERT_TRUE(x.Click(window, START_ALL_X, START_ALL_Y)) << x.Error();
    const auto clicked = std::chrono::steady_clock::now();
    bool started = false;
    while (!started && SecondsSince(clicked) < 5.0) {
        std::this_thread::sleep_for(100ms);
        std::string now;
        ASSERT_TRUE(x.Capture(players, now)) << x.Error();
        started = now != idle;
    }
    ASSERT_TRUE(started)
        << "the player buttons show no running timers after the click on \"Start All Timer\"";
    ASSERT_LT(ToSeconds(WallClock::now()), static_cast<double>(begin)) << "the timers started too late";

    // The eight tones sound together for a while: the picture shows the window at work.
    lookUntil(WallClock::from_time_t(begin) + 1500ms);
    const fs::path picture = fs::path(TESSALY_ARTIFACT_DIR) / "e2e-main-window.png";
    EXPECT_TRUE(x.Screenshot(picture.string())) << x.Error();
    lookUntil(WallClock::from_time_t(begin) + std::chrono::milliseconds(static_cast<int>(TONE_SECONDS * 1000))
        + 2s);
    for (const auto& zone : zones)
        EXPECT_TRUE(zone->Stop()) << zone->Error();
    ASSERT_TRUE(program.Running()) << "the program ended while it played: " << program.Outcome();

    std::vector<double> onsets;
    std::vector<double> ends;
    std::cout << "[ measure ] onset after BeginTime, ms:";
    for (int zone = 0; zone < ZONES; ++zone) {
        const std::vector<std::int16_t> samples = zones[static_cast<std::size_t>(zone)]->Samples();
        const ZoneSound sound = Analyse(samples, recordingStarts[static_cast<std::size_t>(zone)].Seconds());
        ASSERT_FALSE(sound.silent) << "nothing sounded on " << NameOf(zone);
        onsets.push_back(sound.onset - static_cast<double>(begin));
        ends.push_back(sound.onset + sound.levels.Seconds(RATE));
        std::cout << " " << NameOf(zone) << " " << std::lround(onsets.back() * 1000);
        EXPECT_GE(onsets.back(), -RENDER_AHEAD_SECONDS) << NameOf(zone) << " sounded before its BeginTime";
        EXPECT_LE(onsets.back(), ONSET_LIMIT_SECONDS) << NameOf(zone);
        // Heard whole, though its row's window is only its whole seconds.
        EXPECT_NEAR(sound.levels.Seconds(RATE), TONE_SECONDS, LENGTH_TOLERANCE_SECONDS) << NameOf(zone);
        ASSERT_EQ(sound.levels.rmsDbfs.size(), 2U);
        EXPECT_NEAR(sound.levels.rmsDbfs[0], kToneRmsDbfs, 1.0) << NameOf(zone);
        EXPECT_NEAR(sound.levels.rmsDbfs[1], kToneRmsDbfs, 1.0) << NameOf(zone);
        // Its own tone, not a neighbour's.
        const double own
            = ToneDb(samples, sound.levels.firstFrame, sound.levels.frames, 0, FrequencyOf(zone));
        const double other = ToneDb(
            samples, sound.levels.firstFrame, sound.levels.frames, 0, FrequencyOf((zone + 1) % ZONES));
        EXPECT_GT(own - other, 40.0) << NameOf(zone);
    }
    const auto [earliest, latest] = std::minmax_element(onsets.begin(), onsets.end());
    std::cout << "; spread " << std::lround((*latest - *earliest) * 1000) << " ms\n";
    EXPECT_LE(*latest - *earliest, SPREAD_LIMIT_SECONDS);

    // The as-run log tells the same: each player's timer, start and natural end, at the times the
    // recordings show.
    const std::string log = ReadText(work / ("Tessaly-" + DateText(begin) + ".log"));
    std::cout << "[ measure ] as-run log's time minus the recording's, ms (start/end):";
    for (int zone = 0; zone < ZONES; ++zone) {
        const std::string who
            = " | " + std::to_string(zone + 1) + " " + NameOf(zone) + " | " + DeviceOf(zone) + " | ";
        const std::string file = ToneOf(zone).string();
        EXPECT_TRUE(LoggedAt(log, who + "- | timer started")) << log;
        const std::optional<double> start = LoggedAt(log, who + file + " | started");
        const std::optional<double> end = LoggedAt(log, who + file + " | ended");
        ASSERT_TRUE(start && end) << NameOf(zone) << " in\n" << log;
        std::cout << " "
                  << std::lround(
                         (*start - static_cast<double>(begin) - onsets[static_cast<std::size_t>(zone)])
                         * 1000)
                  << "/" << std::lround((*end - ends[static_cast<std::size_t>(zone)]) * 1000);
        EXPECT_NEAR(*start, static_cast<double>(begin) + onsets[static_cast<std::size_t>(zone)],
            LOG_TOLERANCE_SECONDS)
            << NameOf(zone);
        EXPECT_NEAR(*end, ends[static_cast<std::size_t>(zone)], LOG_TOLERANCE_SECONDS) << NameOf(zone);
        EXPECT_EQ(log.find(who + file + " | cut"), std::string::npos) << log;
    }
    std::cout << "\n";

    // A second copy of the same user says so and leaves the first one alone.
    ASSERT_TRUE(secondCopy.Start(ProgramCommand())) << secondCopy.Error();
    const unsigned long message = x.WaitForWindowOf(secondCopy, 90s);
    ASSERT_NE(message, 0UL) << x.Error() << "; the second copy: " << secondCopy.Outcome();
    // A message box, not a second main window.
    XServer::Geometry box;
    ASSERT_TRUE(x.GetGeometry(message, box)) << x.Error();
    EXPECT_LT(box.width * box.height, geometry.width * geometry.height / 4);
    EXPECT_TRUE(x.PressReturn(message)) << x.Error();
    ASSERT_TRUE(secondCopy.Wait(30s)) << "the second copy did not end when its message was dismissed";
    EXPECT_TRUE(secondCopy.ExitedWith(0)) << secondCopy.Outcome();
    EXPECT_TRUE(program.Running());

    // The caption's close button ends the program, which writes its configuration on the way out.
    const auto closing = std::chrono::steady_clock::now();
    ASSERT_TRUE(x.Click(window, geometry.width - CLOSE_FROM_RIGHT, CLOSE_Y)) << x.Error();
    ASSERT_TRUE(program.Wait(30s)) << "the program did not end after its close button was clicked";
    std::cout << "[ measure ] close button to exit: " << SecondsSince(closing) << " s\n";
    EXPECT_TRUE(program.ExitedWith(0)) << program.Outcome();
    EXPECT_LT(SecondsSince(closing), 10.0);
    EXPECT_EQ(program.ErrorOutput().find("Sanitizer"), std::string::npos);
    EXPECT_EQ(program.ErrorOutput().find("runtime error"), std::string::npos);

    const std::string configuration = ReadText(work / "Tessaly.cfg");
    for (int zone = 0; zone < ZONES; ++zone) {
        const std::string element = PlayerElement(configuration, zone);
        EXPECT_NE(element.find("Name=\"" + NameOf(zone) + "\" Device=\"" + DeviceOf(zone) + "\""),
            std::string::npos)
            << element;
        EXPECT_NE(element.find(EVERY_DAY), std::string::npos) << element;
        EXPECT_NE(element.find("<File Path=\"" + ToneOf(zone).string() + "\" BeginTime=\"" + ClockText(begin)
                      + "\" Duration=\"00:00:03\"/>"),
            std::string::npos)
            << element;
    }
}

} // namespace

namespace {

// A zone whose device and file are not there when the program starts (a USB adapter and a share
// that come up late): its player's timer comes back by itself, the row plays on that zone only
// once both are there, and the configuration written at the end still holds the device and the
// row. Started with --no-timers, the same program plays nothing.
TEST_F(ProgramRunTest, AZoneAndAFileThatComeUpLatePlayThereOnlyAndTheSetupSurvives)
{
    constexpr int PLAYER_LATE = 4;
    constexpr int LATE_TONE_SECONDS = 8;
    // The row begins this long after the program starts; the zone and the file come two seconds
    // into its window, ten seconds after the start.
    constexpr int LATE_LEAD_SECONDS = 8;
    constexpr int PLUG_SECONDS = 10;
    const fs::path staged = work / "staged.wav";
    const fs::path late = work / "share" / "late.wav";
    ASSERT_NO_FATAL_FAILURE(MakeTone(staged, FREQUENCY_A, LATE_TONE_SECONDS));
    const int span = PLUG_SECONDS + LATE_TONE_SECONDS + 40;
    if (const int left = SecondsToMidnight(std::time(nullptr)); left < span)
        std::this_thread::sleep_for(std::chrono::seconds(left + 1));

    const auto writeConfiguration = [&](std::time_t begin) {
        std::ofstream(work / "Tessaly.cfg")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<KVConfig Version=\"1.0.0\">\n<Player ID=\""
            << PLAYER_LATE << "\" Name=\"Annex\" Device=\"Zone 4 (zone4)\" Volume=\"100\" Balance=\"0\" "
            << "Amplify=\"1.000000\" Timer=\"1\">\n"
            << EVERY_DAY << "\n<File Path=\"" << late.string() << "\" BeginTime=\"" << ClockText(begin)
            << "\" Duration=\"00:00:0" << LATE_TONE_SECONDS << "\"/>\n</Player>\n</KVConfig>\n";
    };
    const std::time_t launch = std::time(nullptr) + 1;
    const std::time_t begin = launch + LATE_LEAD_SECONDS;
    writeConfiguration(begin);

    ASSERT_TRUE(x.Start()) << x.Error();
    std::vector<std::unique_ptr<MonitorRecorder>> zones;
    for (const char* sink : { "zone1", "zone2", "zone3" }) {
        zones.push_back(std::make_unique<MonitorRecorder>(sink));
        ASSERT_TRUE(zones.back()->Start()) << zones.back()->Error();
    }
    std::this_thread::sleep_until(WallClock::from_time_t(launch));
    ASSERT_TRUE(program.Start(ProgramCommand())) << program.Error();
    const unsigned long window = x.WaitForWindowOf(program, 90s, MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT);
    ASSERT_NE(window, 0UL) << x.Error();

    // No click: the timer that was on runs again. Then the adapter and the share come up.
    std::this_thread::sleep_until(WallClock::from_time_t(launch + PLUG_SECONDS));
    LateZone zone4("zone4", "Zone 4");
    ASSERT_TRUE(zone4.Plug());
    MonitorRecorder zone4Monitor("zone4");
    ASSERT_TRUE(zone4Monitor.Start()) << zone4Monitor.Error();
    const double plugged = ToSeconds(WallClock::now());
    (void)zone4Monitor.TakeSamples();
    fs::create_directories(late.parent_path());
    fs::rename(staged, late);

    std::this_thread::sleep_until(WallClock::from_time_t(begin + LATE_TONE_SECONDS) + 1s);
    EXPECT_TRUE(zone4Monitor.Stop()) << zone4Monitor.Error();
    for (const auto& zone : zones)
        EXPECT_TRUE(zone->Stop()) << zone->Error();
    ASSERT_TRUE(program.Running()) << "the program ended while it played: " << program.Outcome();

    const ZoneSound annex = Analyse(zone4Monitor.Samples(), plugged);
    ASSERT_FALSE(annex.silent) << "nothing sounded on Zone 4 once it was there";
    std::cout << "[ measure ] Zone 4: sounding " << annex.levels.Seconds(RATE) << " s from "
              << annex.onset - plugged << " s after it came up\n";
    // The next tick after the zone and the file are there starts the row; its window closes 6 s later.
    EXPECT_LT(annex.onset - plugged, 2.5);
    EXPECT_GT(annex.levels.Seconds(RATE), 3.0);
    EXPECT_GT(annex.toneA - annex.toneB, 40.0);
    for (std::size_t zone = 0; zone < zones.size(); ++zone)
        EXPECT_TRUE(IsSilent(zones[zone]->Samples(), kSilenceDbfs))
            << "something sounded on Zone " << zone + 1;

    XServer::Geometry geometry;
    ASSERT_TRUE(x.GetGeometry(window, geometry)) << x.Error();
    ASSERT_TRUE(x.Click(window, geometry.width - CLOSE_FROM_RIGHT, CLOSE_Y)) << x.Error();
    ASSERT_TRUE(program.Wait(30s)) << "the program did not end after its close button was clicked";
    EXPECT_TRUE(program.ExitedWith(0)) << program.Outcome();
    const std::string annexElement = PlayerElement(ReadText(work / "Tessaly.cfg"), PLAYER_LATE);
    EXPECT_NE(annexElement.find("Device=\"Zone 4 (zone4)\""), std::string::npos) << annexElement;
    EXPECT_NE(annexElement.find("Timer=\"1\""), std::string::npos) << annexElement;
    EXPECT_NE(annexElement.find("<File Path=\"" + late.string() + "\" BeginTime=\"" + ClockText(begin)
                  + "\" Duration=\"00:00:08\"/>"),
        std::string::npos)
        << annexElement;

    // For maintenance: the same setup with a row due soon, started without its timers, stays silent.
    const std::time_t quietBegin = std::time(nullptr) + 3;
    writeConfiguration(quietBegin);
    MonitorRecorder quietMonitor("zone4");
    ASSERT_TRUE(quietMonitor.Start()) << quietMonitor.Error();
    std::vector<std::string> command = ProgramCommand();
    command.emplace_back("--no-timers");
    ChildProcess maintenance;
    ASSERT_TRUE(maintenance.Start(command)) << maintenance.Error();
    std::this_thread::sleep_until(WallClock::from_time_t(quietBegin + 4));
    EXPECT_TRUE(maintenance.Running()) << maintenance.Outcome() << maintenance.ErrorOutput();
    EXPECT_TRUE(quietMonitor.Stop()) << quietMonitor.Error();
    EXPECT_TRUE(IsSilent(quietMonitor.Samples(), kSilenceDbfs))
        << "a timer ran although --no-timers was given";
    maintenance.Stop(SIGTERM, 15s);
    EXPECT_TRUE(maintenance.ExitedWith(0)) << maintenance.Outcome() << maintenance.ErrorOutput();
    // The stored timer stays on for the next ordinary start.
    EXPECT_NE(
        PlayerElement(ReadText(work / "Tessaly.cfg"), PLAYER_LATE).find("Timer=\"1\""), std::string::npos);
}

} // namespace

namespace {

// Announcements over music and even loudness, as a site sets them up: on Zone 1 music plays and an
// announcement of another player lowers it by 12 dB while it sounds; Zone 2's music is untouched; on
// Zone 3 a player with even loudness plays two files 12 dB apart. No click: the timers come back.
TEST_F(ProgramRunTest, AnnouncementsLowerTheirZonesMusicAndEvenLoudnessEvensTheFiles)
{
    // Time for the start and the loudness of the two files to be measured.
    constexpr int LEAD = LEAD_SECONDS;
    constexpr double MUSIC_HZ = 440.0;
    constexpr double ANNOUNCEMENT_HZ = 1200.0;
    constexpr double OTHER_MUSIC_HZ = 660.0;
    constexpr int ANNOUNCEMENT_AT = 5;
    constexpr int ANNOUNCEMENT_SECONDS = 3;
    // Amplitudes as fractions of full scale.
    const auto make = [&](const std::string& name, double frequency, int seconds, double amplitude) {
        MakeTone(work / name, frequency, seconds, amplitude * 8);
    };
    ASSERT_NO_FATAL_FAILURE(make("music.wav", MUSIC_HZ, 14, 0.25));
    ASSERT_NO_FATAL_FAILURE(make("announcement.wav", ANNOUNCEMENT_HZ, ANNOUNCEMENT_SECONDS, 0.25));
    ASSERT_NO_FATAL_FAILURE(make("other.wav", OTHER_MUSIC_HZ, 14, 0.25));
    ASSERT_NO_FATAL_FAILURE(make("loud.wav", 880.0, 4, 0.5));
    ASSERT_NO_FATAL_FAILURE(make("quiet.wav", 880.0, 4, 0.125));

    if (const int left = SecondsToMidnight(std::time(nullptr)); left < LEAD + 30)
        std::this_thread::sleep_for(std::chrono::seconds(left + 1));
    const std::time_t begin = std::time(nullptr) + LEAD;
    {
        const auto player = [&](int id, int zone, const std::string& extra,
                                const std::vector<std::pair<std::string, std::time_t>>& rows) {
            std::string text = "<Player ID=\"" + std::to_string(id) + "\" Name=\"P" + std::to_string(id)
                + "\" Device=\"" + DeviceOf(zone)
                + "\" Volume=\"100\" Balance=\"0\" Amplify=\"1.000000\" Timer=\"1\"" + extra + ">\n"
                + EVERY_DAY + "\n";
            for (const auto& [file, at] : rows)
                text += "<File Path=\"" + (work / file).string() + "\" BeginTime=\"" + ClockText(at)
                    + "\"/>\n";
            return text + "</Player>\n";
        };
        std::ofstream(work / "Tessaly.cfg")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<KVConfig Version=\"1.0.0\">\n"
            << player(0, 0, "", { { "music.wav", begin } })
            << player(1, 0, " Duck=\"12\"", { { "announcement.wav", begin + ANNOUNCEMENT_AT } })
            << player(2, 1, "", { { "other.wav", begin } })
            << player(3, 2, " Loudness=\"1\"", { { "loud.wav", begin }, { "quiet.wav", begin + 6 } })
            << "</KVConfig>\n";
    }

    ASSERT_TRUE(x.Start()) << x.Error();
    std::vector<std::unique_ptr<MonitorRecorder>> zones;
    for (const char* sink : { "zone1", "zone2", "zone3" }) {
        zones.push_back(std::make_unique<MonitorRecorder>(sink));
        ASSERT_TRUE(zones.back()->Start()) << zones.back()->Error();
    }
    ASSERT_TRUE(program.Start(ProgramCommand())) << program.Error();
    ASSERT_NE(x.WaitForWindowOf(program, 90s, MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT), 0UL) << x.Error();
    std::this_thread::sleep_until(WallClock::from_time_t(begin + 15));
    for (const auto& zone : zones)
        EXPECT_TRUE(zone->Stop()) << zone->Error();
    ASSERT_TRUE(program.Running()) << program.Outcome();
    program.Stop(SIGTERM, 15s);

    // Levels of one tone in 100 ms windows, from the zone's first sound (the music's begin second).
    constexpr std::size_t WINDOW = RATE / 10;
    const auto windows = [&](const std::vector<std::int16_t>& samples, double frequency) {
        const SoundLevels levels = MeasureRms(samples, MonitorRecorder::kChannels, kSilenceDbfs);
        std::vector<double> dB;
        for (std::size_t first = levels.firstFrame; first + WINDOW <= levels.firstFrame + levels.frames;
             first += WINDOW)
            dB.push_back(ToneDb(samples, first, WINDOW, 0, frequency));
        return dB;
    };
    const auto at = [](double seconds) { return static_cast<std::size_t>(seconds * 10); };

    const std::vector<double> music = windows(zones[0]->Samples(), MUSIC_HZ);
    ASSERT_GT(music.size(), at(12.0)) << "the music did not play on Zone 1";
    const double base = music[at(2.0)];
    std::cout << "[ measure ] Zone 1 music, dB from its level, every 0.5 s:";
    for (std::size_t i = 0; i < at(13.0); i += 5)
        std::cout << " " << std::lround((music[i] - base) * 10) / 10.0;
    std::cout << "\n";
    // Where the announcement is heard on the zone, from the same recording.
    const std::vector<double> announcement = windows(zones[0]->Samples(), ANNOUNCEMENT_HZ);
    const double loudest = *std::max_element(announcement.begin(), announcement.end());
    const auto heard = [&](double dB) { return dB > loudest - 20.0; };
    const auto starts = std::find_if(announcement.begin(), announcement.end(), heard);
    const auto ends = std::find_if(announcement.rbegin(), announcement.rend(), heard).base();
    ASSERT_TRUE(starts < ends) << "the announcement was not heard on Zone 1";
    const auto first = static_cast<std::size_t>(starts - announcement.begin());
    const auto last = static_cast<std::size_t>(ends - announcement.begin());
    std::cout << "[ measure ] announcement heard from " << first / 10.0 << " s to " << last / 10.0
              << " s; the music around its start, every 0.1 s from 0.5 s before:";
    for (std::size_t i = first - at(0.5); i < first + at(0.6); ++i)
        std::cout << " " << std::lround((music[i] - base) * 10) / 10.0;
    std::cout << "\n";
    // Lowered by 12 dB ± 1 from 400 ms after the announcement is heard to its end; back within a
    // second of it.
    for (std::size_t i = first + at(0.4); i < last; ++i)
        EXPECT_NEAR(music[i] - base, -12.0, 1.0) << "at " << i / 10.0 << " s";
    for (std::size_t i = last + at(1.0); i < at(12.0); ++i)
        EXPECT_NEAR(music[i] - base, 0.0, 1.0) << "at " << i / 10.0 << " s";
    for (std::size_t i = at(0.5); i + at(0.5) < first; ++i)
        EXPECT_NEAR(music[i] - base, 0.0, 0.5) << "before the announcement, at " << i / 10.0 << " s";

    const std::vector<double> other = windows(zones[1]->Samples(), OTHER_MUSIC_HZ);
    ASSERT_GT(other.size(), at(12.0));
    for (std::size_t i = at(0.5); i < at(12.0); ++i)
        EXPECT_NEAR(other[i], other[at(2.0)], 0.5) << "Zone 2 changed at " << i / 10.0 << " s";

    // The two files of even loudness, 12 dB apart, come out within 1 dB; no peak above -1 dBFS.
    const std::vector<std::int16_t> third = zones[2]->Samples();
    const SoundLevels whole = MeasureRms(third, MonitorRecorder::kChannels, kSilenceDbfs);
    ASSERT_FALSE(whole.rmsDbfs.empty()) << "nothing sounded on Zone 3";
    const std::size_t split = (whole.firstFrame + static_cast<std::size_t>(5 * RATE)) * 2;
    const std::vector<std::int16_t> loudPart(
        third.begin(), third.begin() + static_cast<std::ptrdiff_t>(split));
    const std::vector<std::int16_t> quietPart(
        third.begin() + static_cast<std::ptrdiff_t>(split), third.end());
    const SoundLevels loud = MeasureRms(loudPart, MonitorRecorder::kChannels, kSilenceDbfs);
    const SoundLevels quiet = MeasureRms(quietPart, MonitorRecorder::kChannels, kSilenceDbfs);
    ASSERT_FALSE(loud.rmsDbfs.empty());
    ASSERT_FALSE(quiet.rmsDbfs.empty()) << "the second file did not play";
    std::cout << "[ measure ] even loudness: " << loud.rmsDbfs[0] << " and " << quiet.rmsDbfs[0]
              << " dBFS RMS from files 12 dB apart; peaks " << loud.peakDbfs[0] << ", " << quiet.peakDbfs[0]
              << " dBFS\n";
    EXPECT_NEAR(loud.rmsDbfs[0], quiet.rmsDbfs[0], 1.0);
    EXPECT_LE(std::max(loud.peakDbfs[0], quiet.peakDbfs[0]), -1.0);
    const std::string log = ReadText(work / ("Tessaly-" + DateText(begin) + ".log"));
    EXPECT_EQ(log.find("loudness not measured yet"), std::string::npos) << log;
}

} // namespace
