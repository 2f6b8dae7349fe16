// Files measured per second by the control's MediaDetect, over the files that
// `scripts/make-test-media --many N` makes (N each of wav, mp3 and flac, 1-5 s, 44.1/48 kHz, mono
// and stereo).
//
//   media_detect_bench [N]      (default 200)
//
// The first file of each kind is measured by GStreamer's discoverer, which also teaches the fast
// header reader that kind's decoded depth; every later one by the fast reader. Both figures are
// shown: the whole run, and the run without those first files.

#include "control/Sonarel.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string folder = std::string(TESSALY_BINARY_DIR) + "/bench-media/many";
    const std::string command = std::string(TESSALY_SOURCE_DIR) + "/scripts/make-test-media --many "
        + std::to_string(count) + " '" + folder + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scripts/make-test-media failed\n");
        return 1;
    }
    std::map<std::string, std::vector<std::string>> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            const auto dot = name.rfind('.');
            if (name.rfind("many-", 0) == 0 && dot != std::string::npos) {
                files[name.substr(dot + 1)].push_back(folder + "/" + name);
            }
        }
        closedir(dir);
    }

    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(nullptr);
    if (!control) {
        std::fprintf(stderr, "cannot create the control\n");
        return 1;
    }
    double allSeconds = 0;
    double laterSeconds = 0;
    int all = 0;
    int later = 0;
    for (auto& [extension, paths] : files) {
        std::sort(paths.begin(), paths.end());
        double kindSeconds = 0;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            std::int32_t duration = 0;
            const gint64 start = g_get_monotonic_time();
            if (!control->MediaDetect(
                    paths[i].c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr)) {
                std::fprintf(stderr, "cannot measure %s\n", paths[i].c_str());
                return 1;
            }
            const double seconds = static_cast<double>(g_get_monotonic_time() - start) / 1e6;
            kindSeconds += seconds;
            // Files of a kind not seen yet (a new rate, channel count or depth) go to the discoverer.
            if (i >= 4) {
                laterSeconds += seconds;
                ++later;
            }
        }
        std::printf("%-5s %4zu files in %.3f s: %.0f files/s\n", extension.c_str(), paths.size(), kindSeconds,
            static_cast<double>(paths.size()) / kindSeconds);
        allSeconds += kindSeconds;
        all += static_cast<int>(paths.size());
    }
    std::printf(
        "all   %4d files in %.3f s: %.0f files/s; without the first four of each format: %.0f files/s\n", all,
        allSeconds, all / allSeconds, later / laterSeconds);
    return 0;
}
