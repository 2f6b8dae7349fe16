#include "persist/FileElements.h"

#include "control/Sonarel.h"
#include "persist/LoadProgress.h"
#include "persist/Xmlparse.h"
#include "players/PlayList.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>
#include <utility>

namespace {

// Shows the progress window for the life of the scope, so that it is hidden on every way out.
class ProgressScope {
public:
    explicit ProgressScope(ILoadProgress& progress)
        : m_progress(progress)
    {
        m_progress.Show();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    ~ProgressScope() { m_progress.Hide(); }

private:
    ILoadProgress& m_progress;
};

} // namespace

bool AddFileElements(CXmlparse& xml, const PlayList& list)
{
    for (const PlayListEntry& row : list.Rows()) {
        if (!xml.AddElement("File") || !xml.SetAttribute("Path", row.Path)
            || !xml.SetAttribute("BeginTime", row.BeginTime))
            return false;
    }
    return true;
}

void ReadFileElements(CXmlparse& xml, PlayList& list, sonarel::ISonarel& control, ILoadProgress& progress)
{
    const ProgressScope shown(progress);
    while (xml.FindElement("File")) {
        std::string path = xml.GetAttribute("Path");
        if (path.empty() || !ListedFileExists(path))
            continue;
        progress.ShowLoading(path);
        // The stored list keeps no duration: files may have changed since it was written. The reader
        // shows its progress meanwhile, so it waits for a slow file rather than drop it.
        std::int32_t durationMs = 0;
        if (!control.MediaDetectBlocking(
                path.c_str(), &durationMs, nullptr, nullptr, nullptr, nullptr, nullptr))
            continue;
        const AppendResult result
            = list.AppendFileAt(std::move(path), durationMs, xml.GetAttribute("BeginTime"));
        if (result == AppendResult::PastMidnight)
            break;
    }
}

bool ListedFileExists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0 || errno == EACCES;
}
