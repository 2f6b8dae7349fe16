// A read-only FUSE file system that shows the files of a folder and holds back every read of a file
// whose name starts with "stall", as a share that stops answering does, until a file named "release"
// appears in the folder (or the hold limit passes). Everything else (listing, attributes, opening)
// answers at once, so a file that stalls looks like any other until its data is read.
//
//   tessaly_stallfs SOURCE MOUNTPOINT [HOLD_SECONDS]   (default 60; runs in the foreground)
//
// Stop it with `fusermount3 -u MOUNTPOINT` after creating SOURCE/release.

#define FUSE_USE_VERSION 35
#include <fuse3/fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string sourceDir;
int holdSeconds = 60;

std::string SourcePath(const char* path)
{
    return sourceDir + path;
}

bool Stalls(const char* path)
{
    const char* name = std::strrchr(path, '/');
    return std::strncmp(name != nullptr ? name + 1 : path, "stall", 5) == 0;
}

void HoldUntilReleased()
{
    const std::string release = sourceDir + "/release";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(holdSeconds);
    while (access(release.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int GetAttr(const char* path, struct stat* attributes, fuse_file_info* /*info*/)
{
    return lstat(SourcePath(path).c_str(), attributes) == 0 ? 0 : -errno;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t /*offset*/, fuse_file_info* /*info*/,
    fuse_readdir_flags /*flags*/)
{
    DIR* dir = opendir(SourcePath(path).c_str());
    if (dir == nullptr) {
        return -errno;
    }
    while (const dirent* entry = readdir(dir)) {
        fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    }
    closedir(dir);
    return 0;
}

int Open(const char* path, fuse_file_info* info)
{
    if ((info->flags & O_ACCMODE) != O_RDONLY) {
        return -EROFS;
    }
    const int fd = open(SourcePath(path).c_str(), O_RDONLY);
    if (fd < 0) {
        return -errno;
    }
    info->fh = static_cast<uint64_t>(fd);
    // Every read reaches this process, so that a stalled file cannot be served from the page cache.
    info->direct_io = 1;
    return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* info)
{
    if (Stalls(path)) {
        HoldUntilReleased();
    }
    const ssize_t read = pread(static_cast<int>(info->fh), buffer, size, offset);
    return read < 0 ? -errno : static_cast<int>(read);
}

int Release(const char* /*path*/, fuse_file_info* info)
{
    close(static_cast<int>(info->fh));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE MOUNTPOINT [HOLD_SECONDS]\n", argv[0]);
        return 2;
    }
    char* resolved = realpath(argv[1], nullptr);
    if (resolved == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    sourceDir = resolved;
    std::free(resolved);
    if (argc > 3) {
        holdSeconds = std::atoi(argv[3]);
    }

    fuse_operations operations {};
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.read = Read;
    operations.release = Release;

    // Foreground, several threads (a held read must not hold the others), readable by every user.
    std::string program = argv[0];
    std::string mountPoint = argv[2];
    std::string foreground = "-f";
    std::string option = "-o";
    std::string options = "ro,default_permissions,max_threads=16,fsname=tessaly-stallfs";
    char* fuseArgs[]
        = { program.data(), foreground.data(), option.data(), options.data(), mountPoint.data() };
    return fuse_main(5, fuseArgs, &operations, nullptr);
}
