// Even loudness: the gain rule, and the worker that measures each file's content once, keeps the
// results across runs, and stops at once when the program ends.

#include "players/LoudnessWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(LoudnessGain, BringsFilesToTheTargetWithoutPassingThePeakCeiling)
{
    struct Case {
        double lufs;
        double peak;
        double gain;
    };
    const Case cases[] = {
        { -30.0, -20.0, 12.0 }, // a quiet file is raised
        { -10.0, -0.5, -8.0 }, // a loud one lowered
        { -25.0, -4.0, 3.0 }, // raised only as far as its peak allows
        { -18.0, 0.5, -1.5 }, // at the target already, but its peak passes the ceiling
        { -90.0, -80.0, 30.0 }, // no more than the engine can apply
        { -HUGE_VAL, -HUGE_VAL, 0.0 }, // silence stays as it is
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(players::NormalisationGainDb(c.lufs, c.peak), c.gain)
            << c.lufs << " LUFS, " << c.peak << " dBTP";
}

class LoudnessWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("loudness-worker-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string File(const std::string& name, const std::string& content = "x")
    {
        const std::string path = (folder / name).string();
        std::ofstream(path) << content;
        return path;
    }
    // A meter that knows the files' loudness, counts its calls and can be made to take its time.
    players::LoudnessWorker::Meter Meter()
    {
        return [this](const std::string& path, sonarel::LoudnessMeasurement* measurement,
                   const std::atomic<bool>* cancel) {
            ++measured[path];
            while (slow && !cancel->load())
                std::this_thread::sleep_for(1ms);
            if (slow)
                return sonarel::LoudnessResult::Cancelled;
            const auto known = loudness.find(path);
            if (known == loudness.end())
                return sonarel::LoudnessResult::Failed;
            *measurement = { known->second, -6.0, 1.0 };
            return sonarel::LoudnessResult::Measured;
        };
    }
    // Waits until the worker has looked at everything it was asked for.
    void WaitIdle()
    {
        for (int i = 0; i < 5000 && !(done > 0 && done == total); ++i)
            std::this_thread::sleep_for(1ms);
    }

    fs::path folder;
    std::map<std::string, double> loudness;
    std::map<std::string, int> measured;
    std::atomic<bool> slow { false };
    std::atomic<int> done { 0 };
    std::atomic<int> total { 0 };
};

TEST_F(LoudnessWorkerTest, MeasuresEachContentOnceAcrossRunsAndStopsAtOnce)
{
    const std::string cache = (folder / "loudness.cache").string();
    const std::string a = File("a.mp3");
    const std::string b = File("b.mp3");
    const std::string broken = File("broken.mp3");
    loudness = { { a, -24.0 }, { b, -12.0 } };
    const auto progress = [this](int filesDone, int filesTotal) {
        done = filesDone;
        total = filesTotal;
    };
    {
        players::LoudnessWorker worker(Meter(), cache, progress);
        EXPECT_FALSE(worker.GainDb(a));
        worker.Request({ a, b, broken, a });
        WaitIdle();
        EXPECT_EQ(total, 3);
        EXPECT_DOUBLE_EQ(worker.GainDb(a).value_or(99), 5.0);
        EXPECT_DOUBLE_EQ(worker.GainDb(b).value_or(99), -6.0);
        EXPECT_FALSE(worker.GainDb(broken));
        // A file that cannot be decoded is not tried again while it stays as it is.
        done = 0;
        worker.Request({ broken });
        WaitIdle();
        EXPECT_EQ(measured[broken], 1);
    }

    // The next run knows both files; one that changed since is measured again.
    done = 0;
    File("b.mp3", "changed");
    loudness[b] = -18.0;
    players::LoudnessWorker next(Meter(), cache, progress);
    EXPECT_DOUBLE_EQ(next.GainDb(a).value_or(99), 5.0);
    EXPECT_FALSE(next.GainDb(b));
    next.Request({ a, b });
    WaitIdle();
    EXPECT_EQ(measured[a], 1);
    EXPECT_EQ(measured[b], 2);
    EXPECT_DOUBLE_EQ(next.GainDb(b).value_or(99), 0.0);

    // The end of the program cancels the file in work.
    slow = true;
    auto ending = std::make_unique<players::LoudnessWorker>(Meter(), cache, progress);
    ending->Request({ File("long.mp3") });
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    ending.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
