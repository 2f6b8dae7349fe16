#include "MonitorRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace itest {

namespace {
    // Below this a sample counts as silence (the null sinks give exact zeros).
    constexpr int SILENCE = 8;
} // namespace

MonitorRecorder::MonitorRecorder(const std::string& sink)
{
    char pattern[] = "/tmp/sonarel-monitor-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) {
        ADD_FAILURE() << "cannot make a temporary file";
        return;
    }
    close(fd);
    path_ = pattern;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path_.c_str(), O_WRONLY | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string device = sink + ".monitor";
    std::vector<std::string> args = { "parec", "-d", device, "--raw", "--format=s16le", "--rate=44100",
        "--channels=2", "--latency-msec=10" };
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "parec", &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start parec";
    }
    posix_spawn_file_actions_destroy(&actions);
    // Sound before parec has connected would not be recorded: wait for its first data.
    for (int i = 0; i < 400 && pid_ > 0; ++i) {
        struct stat written { };
        if (stat(path_.c_str(), &written) == 0 && written.st_size > 0) {
            break;
        }
        usleep(5000);
    }
}

MonitorRecorder::~MonitorRecorder()
{
    Stop();
    if (!path_.empty()) {
        unlink(path_.c_str());
    }
}

Levels MonitorRecorder::Stop()
{
    if (pid_ <= 0) {
        return levels_;
    }
    kill(pid_, SIGINT);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;

    std::ifstream file(path_, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    samples_.assign(bytes.size() / 2, 0);
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        samples_[i] = static_cast<std::int16_t>(
            static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    levels_ = {};
    levels_.frames = samples_.size() / 2;
    std::size_t first = levels_.frames;
    std::size_t last = 0;
    for (std::size_t frame = 0; frame < levels_.frames; ++frame) {
        const int left = std::abs(static_cast<int>(samples_[2 * frame]));
        const int right = std::abs(static_cast<int>(samples_[2 * frame + 1]));
        levels_.peak = std::max({ levels_.peak, left, right });
        if (left > SILENCE || right > SILENCE) {
            first = std::min(first, frame);
            last = frame;
        }
    }
    if (first < levels_.frames) {
        double left = 0;
        double right = 0;
        for (std::size_t frame = first; frame <= last; ++frame) {
            left += static_cast<double>(samples_[2 * frame]) * samples_[2 * frame];
            right += static_cast<double>(samples_[2 * frame + 1]) * samples_[2 * frame + 1];
        }
        levels_.activeFrames = last - first + 1;
        levels_.rmsLeft = std::sqrt(left / static_cast<double>(levels_.activeFrames));
        levels_.rmsRight = std::sqrt(right / static_cast<double>(levels_.activeFrames));
    }
    return levels_;
}

} // namespace itest
