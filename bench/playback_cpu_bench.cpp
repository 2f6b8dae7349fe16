// CPU cost of eight simultaneous streams: 44.1 kHz stereo MP3 files played through the control
// (DSP filter and balance in every chain) on the test sound server's null sinks, as the share of
// one core that this process uses (getrusage), over a measured period after a warm-up.
//
//   playback_cpu_bench [seconds] [control|control-dsp|naive]
//     control      the DSP filter at its neutral settings, balance -3000, volume 90 (default)
//     control-dsp  as control, with amplification 2.0 and the equaliser's band 4 at +6 dB
//     naive        for comparison: uridecodebin ! audioconvert ! audioresample ! volume !
//                  equalizer-nbands ! audiopanorama ! pulsesink, eight pipelines, default settings
//
// Needs PULSE_SERVER (scripts/sound-server) and ffmpeg; the MP3 file is made once in the build tree.
// With SOUND_SERVER_PID set (scripts/sound-server writes it to DIR/server.pid; on PipeWire give the
// PIDs of pipewire and pipewire-pulse, separated by commas), the sound server's own CPU over the same
// period is measured from outside and reported as well.

#include "control/Sonarel.h"

#include <gst/gst.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int STREAMS = 8;
constexpr int WARM_UP_SECONDS = 5;
const char* const ZONES[] = { "Zone 1 (zone1)", "Zone 2 (zone2)", "Zone 3 (zone3)" };

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process, from /proc; negative when it cannot be read.
double ProcessCpuSeconds(long pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return -1;
    }
    char buffer[1024] = {};
    const std::size_t read = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    // The command name may hold spaces: fields are counted after its closing parenthesis.
    const char* rest = std::strrchr(buffer, ')');
    if (read == 0 || rest == nullptr) {
        return -1;
    }
    unsigned long user = 0;
    unsigned long system = 0;
    if (std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2) {
        return -1;
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double WallSeconds()
{
    return static_cast<double>(g_get_monotonic_time()) / 1e6;
}

// Runs the thread's main context, as the program's event loop does, for a while.
void RunMainLoop(double seconds)
{
    bool done = false;
    GSource* timeout = g_timeout_source_new(static_cast<guint>(seconds * 1000));
    g_source_set_callback(
        timeout,
        [](gpointer data) {
            *static_cast<bool*>(data) = true;
            return G_SOURCE_REMOVE;
        },
        &done, nullptr);
    g_source_attach(timeout, nullptr);
    while (!done) {
        g_main_context_iteration(nullptr, TRUE);
    }
    g_source_unref(timeout);
}

std::string MakeMp3(int seconds)
{
    const std::string path
        = std::string(TESSALY_BINARY_DIR) + "/bench-media/tone-" + std::to_string(seconds) + "s.mp3";
    struct stat existing { };
    if (stat(path.c_str(), &existing) == 0 && existing.st_size > 0) {
        return path;
    }
    const std::string command = "mkdir -p '" + std::string(TESSALY_BINARY_DIR)
        + "/bench-media' && ffmpeg -nostdin "
          "-loglevel error -y -f lavfi -i 'sine=f=440:r=44100:d="
        + std::to_string(seconds) + ",volume=2,pan=stereo|c0=c0|c1=c0' -c:a libmp3lame -b:a 192k '" + path
        + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot make %s with ffmpeg\n", path.c_str());
        std::exit(1);
    }
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string mode = argc > 2 ? argv[2] : "control";
    if (std::getenv("PULSE_SERVER") == nullptr) {
        std::fprintf(stderr, "PULSE_SERVER is not set: start scripts/sound-server first\n");
        return 1;
    }
    const std::string file = MakeMp3(seconds + WARM_UP_SECONDS + 10);

    std::unique_ptr<sonarel::ISonarel> control;
    std::vector<GstElement*> pipelines;
    if (mode == "naive") {
        gst_init(nullptr, nullptr);
        gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
        for (int i = 0; i < STREAMS; ++i) {
            const std::string description = std::string("uridecodebin uri=") + uri
                + " ! audioconvert ! audioresample ! volume volume=0.9 ! equalizer-nbands num-bands=10 ! "
                  "audiopanorama method=simple panorama=-0.3 ! pulsesink device=zone"
                + std::to_string(i % 3 + 1);
            GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
            gst_element_set_state(pipeline, GST_STATE_PLAYING);
            pipelines.push_back(pipeline);
        }
        g_free(uri);
    } else {
        control = sonarel::CreateSonarel(nullptr);
        if (!control) {
            std::fprintf(stderr, "cannot create the control\n");
            return 1;
        }
        for (short id = 0; id < STREAMS; ++id) {
            bool ok = control->OpenStream(id, file.c_str(), ZONES[id % 3], 0)
                && control->SetBalance(id, -3000) && control->SetVolume(id, 90);
            if (mode == "control-dsp") {
                ok = ok && control->SetAudioAmplify(id, 2.0F) && control->SetAudioBand(id, 4, 5, 6);
            }
            if (!ok || !control->Play(id)) {
                std::fprintf(stderr, "stream %d does not play\n", id);
                return 1;
            }
        }
    }

    std::vector<long> serverPids;
    for (const char* text = std::getenv("SOUND_SERVER_PID"); text != nullptr && *text != '\0';) {
        char* end = nullptr;
        serverPids.push_back(std::strtol(text, &end, 10));
        text = *end == ',' ? end + 1 : nullptr;
    }
    const auto serverCpu = [&serverPids] {
        double sum = 0;
        for (const long pid : serverPids) {
            const double seconds = ProcessCpuSeconds(pid);
            if (seconds < 0) {
                return -1.0;
            }
            sum += seconds;
        }
        return serverPids.empty() ? -1.0 : sum;
    };

    RunMainLoop(WARM_UP_SECONDS);
    const double cpuStart = CpuSeconds();
    const double serverStart = serverCpu();
    const double wallStart = WallSeconds();
    RunMainLoop(seconds);
    const double cpu = CpuSeconds() - cpuStart;
    const double serverEnd = serverCpu();
    const double wall = WallSeconds() - wallStart;

    if (control) {
        for (short id = 0; id < STREAMS; ++id) {
            if (control->GetElapsed(id) < (seconds + WARM_UP_SECONDS - 1) * 1000) {
                std::fprintf(stderr, "stream %d fell behind: %d ms\n", id, control->GetElapsed(id));
            }
            control->CloseStream(id);
        }
    }
    for (GstElement* pipeline : pipelines) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
    std::printf("%s: %d streams, %.1f s: %.2f CPU s = %.1f %% of one core (%.2f %% per stream)\n",
        mode.c_str(), STREAMS, wall, cpu, 100.0 * cpu / wall, 100.0 * cpu / wall / STREAMS);
    if (serverStart >= 0 && serverEnd >= 0) {
        const double server = serverEnd - serverStart;
        std::printf("sound server (%zu processes): %.1f %% of one core; together %.1f %%\n",
            serverPids.size(), 100.0 * server / wall, 100.0 * (cpu + server) / wall);
    }
    return 0;
}
