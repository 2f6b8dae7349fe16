// Loudness analysis speed: how many times faster than real time one file of 44.1 kHz stereo MP3 is
// decoded and measured (EBU R128 integrated loudness and true peak), counted in CPU time of the
// whole process (the decoding runs on the meter's own threads), so that the figure is per core and
// does not depend on what else the machine does.
//
//   loudness_bench [file] [runs]     (default: a 5-minute MP3 made with ffmpeg in /tmp; 5 runs)
//   loudness_bench many DIR          every file in DIR (scripts/make-test-media --many 534 DIR gives
//                                    the 1,600 files of eight players' start-up lists) through the
//                                    program's own background worker, as it measures them at start-up:
//                                    the wall time until all are measured, and the CPU it took. Run
//                                    schedule_onset_bench beside it to see the players' onsets.

#include "control/LoudnessMeter.h"
#include "players/LoudnessWorker.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

double ProcessCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int MeasureFolder(const std::string& folder)
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file())
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    if (paths.empty()) {
        // The worker reports nothing for nothing: there would be no end to wait for.
        std::fprintf(stderr, "no files in %s\n", folder.c_str());
        return 1;
    }
    std::mutex mutex;
    std::condition_variable finished;
    int done = 0;
    int total = 0;
    const std::string cache = "/tmp/tessaly-loudness-bench.cache";
    std::filesystem::remove(cache);
    const double cpu = ProcessCpuSeconds();
    const auto wall = std::chrono::steady_clock::now();
    {
        players::LoudnessWorker worker(
            [](const std::string& path, sonarel::LoudnessMeasurement* measurement,
                const std::atomic<bool>* cancel) {
                return sonarel::MeasureLoudness(path.c_str(), measurement, cancel);
            },
            cache,
            [&](int filesDone, int filesTotal) {
                const std::lock_guard lock(mutex);
                done = filesDone;
                total = filesTotal;
                finished.notify_all();
            });
        worker.Request(paths);
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return total > 0 && done == total; });
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("%zu files measured in the background in %.1f s wall, %.1f s CPU\n", paths.size(),
        wallSeconds, ProcessCpuSeconds() - cpu);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "many")
        return MeasureFolder(argv[2]);
    std::string path = argc > 1 ? argv[1] : "/tmp/tessaly-loudness-bench.mp3";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (argc <= 1) {
        // Music-like: pink noise under a melody of sines, 5 minutes, as a 192 kbit/s MP3.
        const std::string make
            = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
              "\"anoisesrc=c=pink:d=300:a=0.1,volume=0.5\" -f lavfi -i "
              "\"sine=f=440:d=300,volume=0.2\" -filter_complex amix=inputs=2 -ac 2 -ar 44100 "
              "-c:a libmp3lame -b:a 192k "
            + path;
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "cannot make %s\n", path.c_str());
            return 1;
        }
    }
    std::vector<double> speeds;
    for (int run = 0; run < runs; ++run) {
        sonarel::LoudnessMeasurement measurement;
        const double cpu = ProcessCpuSeconds();
        const auto wall = std::chrono::steady_clock::now();
        if (sonarel::MeasureLoudness(path.c_str(), &measurement) != sonarel::LoudnessResult::Measured) {
            std::fprintf(stderr, "cannot measure %s\n", path.c_str());
            return 1;
        }
        const double cpuSeconds = ProcessCpuSeconds() - cpu;
        const double wallSeconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        std::printf(
            "run %d: %.1f s of audio, %.2f LUFS, %.2f dBTP: %.3f s CPU (%.0fx real time), %.3f s wall\n",
            run + 1, measurement.Seconds, measurement.IntegratedLufs, measurement.TruePeakDbtp, cpuSeconds,
            measurement.Seconds / cpuSeconds, wallSeconds);
        speeds.push_back(measurement.Seconds / cpuSeconds);
    }
    std::sort(speeds.begin(), speeds.end());
    std::printf(
        "median: %.0fx real time on one core (worst %.0fx)\n", speeds[speeds.size() / 2], speeds.front());
    return 0;
}
