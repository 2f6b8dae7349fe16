// A file whose reads stall (on a FUSE file system of the test tree, as a share that stops answering)
// holds up neither the caller of the control nor the other streams.

#include "IntegrationSupport.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace itest;
namespace fs = std::filesystem;

// Generous for a sanitizer build on a busy machine, far below a stalled read (which lasts the test).
constexpr double CALL_LIMIT_MS = 500;

#ifdef TESSALY_STALLFS

// The stall file system over a folder holding "stall.wav": mounted while it lives.
class StalledFolder {
public:
    StalledFolder()
    {
        const fs::path base = fs::path(TESSALY_BINARY_DIR) / ("stallfs-" + std::to_string(getpid()));
        source_ = base / "source";
        mount_ = base / "mount";
        fs::remove_all(base);
        fs::create_directories(source_);
        fs::create_directories(mount_);
        fs::copy_file(Media("tone-10s.wav"), source_ / "stall.wav");
        if (!process_.Start({ TESSALY_STALLFS, source_.string(), mount_.string(), "60" })) {
            ADD_FAILURE() << "cannot start the stall file system: " << process_.Error();
            return;
        }
        struct stat sourceStat { };
        struct stat mounted { };
        stat(source_.c_str(), &sourceStat);
        mounted_ = PumpUntil(
            [&] { return stat(File().c_str(), &mounted) == 0 && mounted.st_dev != sourceStat.st_dev; }, 5s);
        if (!mounted_) {
            ADD_FAILURE() << "the stall file system did not mount: " << process_.ErrorOutput();
        }
    }
    ~StalledFolder()
    {
        // Stalled reads end, then the file system goes; a lazy unmount while a retired stream still
        // closes its file.
        Release();
        Shell("fusermount3 -u -z '" + mount_.string() + "' 2>&1");
        process_.Stop(SIGTERM, 5s);
        std::error_code ignored;
        fs::remove_all(source_.parent_path(), ignored);
    }
    StalledFolder(const StalledFolder&) = delete;
    StalledFolder& operator=(const StalledFolder&) = delete;

    // From now on reads answer.
    void Release() { std::ofstream(source_ / "release").put('\n'); }
    [[nodiscard]] bool Mounted() const { return mounted_; }
    [[nodiscard]] std::string File() const { return (mount_ / "stall.wav").string(); }

private:
    fs::path source_;
    fs::path mount_;
    ChildProcess process_;
    bool mounted_ = false;
};

#endif

TEST(StalledFileTest, OneStalledFileHoldsUpNeitherTheCallerNorSevenOtherStreams)
{
#ifndef TESSALY_STALLFS
    GTEST_SKIP() << "built without libfuse3 (scripts/deps installs it)";
#else
    ASSERT_TRUE(SoundServerReady());
    StalledFolder folder;
    ASSERT_TRUE(folder.Mounted());
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    ASSERT_TRUE(control);
    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    const std::unique_ptr<MonitorRecorder> zone3 = Record("zone3");

    // Every call returns at once, whatever the file does; the stream reads as a host expects of a
    // stream it has just started.
    const auto timed = [](const char* what, const std::function<void()>& call) {
        const double start = NowMs();
        call();
        EXPECT_LT(NowMs() - start, CALL_LIMIT_MS) << what;
    };
    timed("open", [&] { EXPECT_TRUE(control->OpenStream(0, folder.File().c_str(), ZONE1, 1)); });
    short state = -1;
    EXPECT_TRUE(control->GetStreamState(0, &state));
    EXPECT_EQ(state, sonarel::STATE_PLAYING);
    char16_t name[260] = {};
    EXPECT_TRUE(control->GetStreamFile(0, name, 260));
    timed("duration", [&] {
        std::int32_t duration = -1;
        EXPECT_TRUE(control->GetStreamDuration(0, &duration));
    });
    timed("seek", [&] { (void)control->SetStreamPosition(0, 50); });
    timed("pause", [&] { EXPECT_TRUE(control->Pause(0)); });
    timed("play", [&] { EXPECT_TRUE(control->Play(0)); });

    for (short id = 1; id < 8; ++id) {
        timed("open of another stream", [&] {
            EXPECT_TRUE(control->OpenStream(id, Media("tone.mp3").c_str(), id % 2 == 0 ? ZONE2 : ZONE3, 1));
        });
    }
    const auto count = [&](Event::Kind kind) {
        int streams = 0;
        for (short id = 1; id < 8; ++id) {
            streams += log.Count(kind, id) > 0 ? 1 : 0;
        }
        return streams;
    };
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (short id = 1; id < 8; ++id) {
                if (control->GetElapsed(id) <= 0) {
                    return false;
                }
            }
            return true;
        },
        3s))
        << "the other streams did not start";
    EXPECT_TRUE(PumpUntil([&] { return count(Event::Kind::Complete) == 7; }, 10s));
    Pump(200ms);
    EXPECT_NEAR(StopAndMeasure(*zone2).Seconds(MonitorRecorder::kRate), 3.5, 0.5);
    EXPECT_NEAR(StopAndMeasure(*zone3).Seconds(MonitorRecorder::kRate), 3.5, 0.5);

    // The stalled file never prerolls: reported as a file that does not play, and stopped.
    EXPECT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Error, 0) > 0; }, 10s));
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "Render file failed" });
    EXPECT_TRUE(control->GetStreamState(0, &state));
    EXPECT_EQ(state, sonarel::STATE_STOPPED);
    timed("close", [&] { control->CloseStream(0); });
    timed("reopen", [&] { EXPECT_TRUE(control->OpenStream(0, folder.File().c_str(), ZONE1, 0)); });
    timed("close", [&] { control->CloseStream(0); });

    // Measuring the file gives up for now, and has the answer once the file answers.
    log.Clear();
    std::int32_t duration = 0;
    timed("media detection", [&] {
        EXPECT_FALSE(control->MediaDetect(
            folder.File().c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    });
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "Media detect failed" });
    folder.Release();
    EXPECT_TRUE(PumpUntil(
        [&] {
            return control->MediaDetect(
                folder.File().c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr);
        },
        10s));
    EXPECT_EQ(duration, 10000);
#endif
}

} // namespace
