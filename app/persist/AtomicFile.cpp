#include "persist/AtomicFile.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace persist {

namespace {

    // Removes the temporary file unless it has been renamed into place.
    class TemporaryFile {
    public:
        TemporaryFile() = default;
        TemporaryFile(const TemporaryFile&) = delete;
        TemporaryFile& operator=(const TemporaryFile&) = delete;
        ~TemporaryFile()
        {
            if (!m_path.empty())
                ::unlink(m_path.c_str());
        }

        void Set(std::string path) { m_path = std::move(path); }
        [[nodiscard]] const std::string& Path() const { return m_path; }
        void Release() { m_path.clear(); }

    private:
        std::string m_path;
    };

    bool WriteAll(int fd, std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    std::string FolderOf(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return ".";
        if (slash == 0)
            return "/";
        return path.substr(0, slash);
    }

    // Opens a new file with a unique name next to the target. O_EXCL guarantees that no other file
    // is ever reused; the 0666 mode lets the umask apply as it would to any newly created file.
    int CreateTemporary(const std::string& target, TemporaryFile& temporary)
    {
        static constexpr std::string_view kLetters
            = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::random_device random;
        std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = target + ".tmp-";
            for (int i = 0; i < 8; ++i)
                name += kLetters[pick(random)];
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                temporary.Set(std::move(name));
                return fd;
            }
            if (errno != EEXIST)
                return -1;
        }
        return -1;
    }

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    if (path.empty())
        return false;

    std::string target = path;
    struct stat info { };
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr)
            target = resolved;
    }
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return false;
    // Renaming over a file needs only the folder's permission: a file that its owner or the
    // administrator made read-only (to lock it) must not be replaced behind their back.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return false;

    TemporaryFile temporary;
    base::UniqueFd file(CreateTemporary(target, temporary));
    if (!file.Valid())
        return false;
    if (exists && ::fchmod(file.Get(), info.st_mode & 07777) != 0)
        return false;
    if (!WriteAll(file.Get(), bytes))
        return false;
    if (::fsync(file.Get()) != 0)
        return false;
    // A failed close may report a delayed write error, so it counts as a failed write.
    if (::close(file.Release()) != 0)
        return false;
    if (::rename(temporary.Path().c_str(), target.c_str()) != 0)
        return false;
    temporary.Release();

    // Make the rename itself durable. The new file is already in place, so a folder that cannot
    // be synced (some file systems refuse) does not turn the save into a failure.
    const base::UniqueFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid())
        ::fsync(folder.Get());
    return true;
}

} // namespace persist
