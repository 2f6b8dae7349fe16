// How long opening a stream holds the caller's thread, how soon it sounds, and whether repeated
// opens leak, through the control on the test sound server's null sinks.
//
//   open_latency_bench latency [count]   count (100) opens with play, one after the other: the time
//                                        each OpenStream call takes and the time until the stream's
//                                        position moves (median and worst)
//   open_latency_bench eight             eight opens with play issued in one go: the time of the
//                                        eight calls and until all eight positions move
//   open_latency_bench soak [cycles]     cycles (100000) of open, play and close on one stream:
//                                        resident memory after 1000 cycles and at the end
//
// Needs PULSE_SERVER (scripts/sound-server) and ffmpeg; the WAV file is made once in the build tree.

#include "control/Sonarel.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const ZONES[] = { "Zone 1 (zone1)", "Zone 2 (zone2)", "Zone 3 (zone3)" };

double NowMs()
{
    return static_cast<double>(g_get_monotonic_time()) / 1000.0;
}

// Runs whatever is ready on the thread's main context, as the program's event loop would.
void Iterate()
{
    while (g_main_context_iteration(nullptr, FALSE)) { }
}

bool IterateUntil(const std::function<bool()>& done, double timeoutMs)
{
    const double deadline = NowMs() + timeoutMs;
    while (!done()) {
        if (NowMs() > deadline) {
            return false;
        }
        Iterate();
        g_usleep(1000);
    }
    return true;
}

double ResidentMb()
{
    FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr) {
        return 0;
    }
    unsigned long size = 0;
    unsigned long resident = 0;
    const int read = std::fscanf(file, "%lu %lu", &size, &resident);
    std::fclose(file);
    return read == 2 ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0
                     : 0;
}

std::string MakeWav(int seconds)
{
    const std::string path
        = std::string(TESSALY_BINARY_DIR) + "/bench-media/open-" + std::to_string(seconds) + "s.wav";
    struct stat existing { };
    if (stat(path.c_str(), &existing) == 0 && existing.st_size > 0) {
        return path;
    }
    const std::string command = "mkdir -p '" + std::string(TESSALY_BINARY_DIR)
        + "/bench-media' && ffmpeg -nostdin -loglevel error -y -f lavfi -i 'sine=f=440:r=44100:d="
        + std::to_string(seconds) + ",pan=stereo|c0=c0|c1=c0' '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot make %s with ffmpeg\n", path.c_str());
        std::exit(1);
    }
    return path;
}

void Report(const char* what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%s: median %.1f ms, worst %.1f ms (%zu)\n", what, values[values.size() / 2], values.back(),
        values.size());
}

int Latency(sonarel::ISonarel& control, int count)
{
    const std::string file = MakeWav(5);
    std::vector<double> calls;
    std::vector<double> sounding;
    for (int i = 0; i < count; ++i) {
        const auto id = static_cast<short>(i % 8);
        const double start = NowMs();
        if (!control.OpenStream(id, file.c_str(), ZONES[i % 3], 1)) {
            std::fprintf(stderr, "open %d failed\n", i);
            return 1;
        }
        calls.push_back(NowMs() - start);
        if (!IterateUntil([&] { return control.GetElapsed(id) > 0; }, 10000)) {
            std::fprintf(stderr, "open %d never played\n", i);
            return 1;
        }
        sounding.push_back(NowMs() - start);
        control.CloseStream(id);
        Iterate();
    }
    Report("OpenStream call", calls);
    Report("open until the position moves", sounding);
    return 0;
}

int Eight(sonarel::ISonarel& control)
{
    const std::string file = MakeWav(5);
    // One warm-up round, so that plugins and the server connection are loaded.
    for (int round = 0; round < 6; ++round) {
        const double start = NowMs();
        for (short id = 0; id < 8; ++id) {
            if (!control.OpenStream(id, file.c_str(), ZONES[id % 3], 1)) {
                std::fprintf(stderr, "open %d failed\n", id);
                return 1;
            }
        }
        const double called = NowMs() - start;
        const bool all = IterateUntil(
            [&] {
                for (short id = 0; id < 8; ++id) {
                    if (control.GetElapsed(id) <= 0) {
                        return false;
                    }
                }
                return true;
            },
            15000);
        const double playing = NowMs() - start;
        for (short id = 0; id < 8; ++id) {
            control.CloseStream(id);
        }
        Iterate();
        if (round > 0) {
            std::printf("eight opens: calls %.1f ms, all playing after %.1f ms%s\n", called, playing,
                all ? "" : " (not all)");
        }
    }
    return 0;
}

int Soak(sonarel::ISonarel& control, long cycles)
{
    const std::string file = MakeWav(1);
    double atThousand = 0;
    const double start = NowMs();
    for (long i = 1; i <= cycles; ++i) {
        const auto id = static_cast<short>(i % 8);
        if (!control.OpenStream(id, file.c_str(), ZONES[i % 3], 1)) {
            std::fprintf(stderr, "open %ld failed\n", i);
            return 1;
        }
        Iterate();
        control.CloseStream(id);
        Iterate();
        if (i == 1000) {
            atThousand = ResidentMb();
            std::printf("after 1000 cycles: %.2f MB resident\n", atThousand);
            std::fflush(stdout);
        } else if (i % 10000 == 0) {
            std::printf(
                "after %ld cycles: %.2f MB resident (%.0f s)\n", i, ResidentMb(), (NowMs() - start) / 1000);
            std::fflush(stdout);
        }
    }
    // Streams released from the event loop go now.
    IterateUntil([] { return false; }, 500);
    const double end = ResidentMb();
    std::printf(
        "after %ld cycles: %.2f MB resident, %+.2f MB since cycle 1000\n", cycles, end, end - atThousand);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "latency";
    if (std::getenv("PULSE_SERVER") == nullptr) {
        std::fprintf(stderr, "PULSE_SERVER is not set: start scripts/sound-server first\n");
        return 1;
    }
    const std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(nullptr);
    if (!control) {
        std::fprintf(stderr, "cannot create the control\n");
        return 1;
    }
    if (mode == "latency") {
        return Latency(*control, argc > 2 ? std::atoi(argv[2]) : 100);
    }
    if (mode == "eight") {
        return Eight(*control);
    }
    if (mode == "soak") {
        return Soak(*control, argc > 2 ? std::atol(argv[2]) : 100000);
    }
    std::fprintf(stderr, "usage: %s latency [count] | eight | soak [cycles]\n", argv[0]);
    return 2;
}
