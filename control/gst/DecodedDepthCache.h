#pragma once

// What the fast media probe cannot read from headers: the decoded depth (bits per sample) of each
// kind of file, learnt from the discoverer the first time a kind is seen. A kind whose first file the
// two ways measured differently is marked so that its files always go to the discoverer.
// Shared by the detectors of one platform; safe to use from any thread.

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace sonarel::gst {

class DecodedDepthCache {
public:
    struct Entry {
        bool exact = false; // false: the fast path disagreed with the discoverer for this kind
        unsigned bitsPerSample = 0;
    };

    [[nodiscard]] std::optional<Entry> Find(const std::string& kind) const
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(kind);
        return it == m_entries.end() ? std::nullopt : std::optional<Entry>(it->second);
    }

    void Store(const std::string& kind, Entry entry)
    {
        const std::lock_guard lock(m_mutex);
        m_entries.emplace(kind, entry);
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Entry> m_entries;
};

} // namespace sonarel::gst
