#pragma once

#include <string>

// Keeps a second copy of the program from running for the same user: the first copy holds an
// exclusive lock on a file in the user's runtime folder. The kernel drops the lock with the process,
// so a copy that crashed or was killed never blocks the next start.
class InstanceLock {
public:
    // Does not lock yet.
    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result {
        Acquired,
        // Another process holds the lock.
        Held,
        // The lock file cannot be opened; the caller may run unguarded.
        Failed,
    };
    [[nodiscard]] Result TryAcquire();
    void Release();
    [[nodiscard]] bool Owned() const { return m_fd >= 0; }
    [[nodiscard]] const std::string& Path() const { return m_path; }

    // "<runtime folder>/<name>.lock": $XDG_RUNTIME_DIR when it is an absolute path, else the
    // temporary folder with the user id in the name, so that users do not share one lock.
    [[nodiscard]] static std::string DefaultPath(const std::string& name);

private:
    std::string m_path;
    int m_fd = -1;
};
