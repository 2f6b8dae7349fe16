#include "shell/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::InstanceLock(std::string path)
    : m_path(std::move(path))
{
}

InstanceLock::~InstanceLock()
{
    Release();
}

InstanceLock::Result InstanceLock::TryAcquire()
{
    if (m_fd >= 0)
        return Result::Acquired;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Failed;
    // In a shared temporary folder another user could plant the file and hold its lock forever.
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::Held : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

void InstanceLock::Release()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it would let a starting copy lock a fresh file while another still
    // holds the old one.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

std::string InstanceLock::DefaultPath(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/" + name + ".lock";
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = temp != nullptr && temp[0] == '/' ? temp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(::getuid()) + ".lock";
}
