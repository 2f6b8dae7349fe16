#include "storage/FileElements.h"

#include "control/Sonarel.h"
#include "persist/LoadProgress.h"
#include "persist/TimeOfDay.h"
#include "persist/Xmlparse.h"
#include "players/PlayList.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace storage {

namespace {

    // Shows the progress window for the life of the scope, so that it is hidden on every way out.
    class ProgressScope {
    public:
        explicit ProgressScope(persist::ILoadProgress& progress)
            : m_progress(progress)
        {
            m_progress.Show();
        }
        ProgressScope(const ProgressScope&) = delete;
        ProgressScope& operator=(const ProgressScope&) = delete;
        ~ProgressScope() { m_progress.Hide(); }

    private:
        persist::ILoadProgress& m_progress;
    };

    // A stored Duration text ("hh:mm:ss") in milliseconds; nothing when it is missing or not a time.
    std::optional<std::int64_t> StoredLengthMs(const std::string& text)
    {
        if (text.empty())
            return std::nullopt;
        const persist::TimeOfDay length(text);
        if (!length.Valid())
            return std::nullopt;
        return (static_cast<std::int64_t>(length.Hour()) * 3600
                   + static_cast<std::int64_t>(length.Minute()) * 60 + length.Second())
            * 1000;
    }

} // namespace

bool AddFileElements(persist::CXmlparse& xml, const players::PlayList& list)
{
    for (const players::PlayListEntry& row : list.Rows()) {
        if (!xml.AddElement("File") || !xml.SetAttribute("Path", row.Path)
            || !xml.SetAttribute("BeginTime", row.BeginTime) || !xml.SetAttribute("Duration", row.Duration))
            return false;
    }
    return true;
}

ListReadReport ReadFileElements(persist::CXmlparse& xml, players::PlayList& list, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, UnmeasuredRows unmeasured)
{
    ListReadReport report;
    const ProgressScope shown(progress);
    while (xml.FindElement("File")) {
        std::string path = xml.GetAttribute("Path");
        if (path.empty())
            continue;
        ++report.Named;
        std::int32_t durationMs = 0;
        std::string missing;
        if (!persist::ListedFileExists(path)) {
            missing = players::MISSING_FILE_NOT_FOUND;
        } else {
            // The reader shows its progress meanwhile, so it waits for a slow file rather than take
            // it for missing.
            progress.ShowLoading(path);
            if (!control.MediaDetectBlocking(
                    path.c_str(), &durationMs, nullptr, nullptr, nullptr, nullptr, nullptr))
                missing = players::MISSING_NOT_MEASURED;
        }
        std::int64_t lengthMs = durationMs;
        if (!missing.empty()) {
            ++report.Unmeasured;
            const std::optional<std::int64_t> stored = unmeasured == UnmeasuredRows::KeepWithStoredLength
                ? StoredLengthMs(xml.GetAttribute("Duration"))
                : std::nullopt;
            if (!stored) {
                ++report.Dropped;
                continue;
            }
            lengthMs = *stored;
        }
        const players::AppendResult result
            = list.AppendFileAt(std::move(path), lengthMs, xml.GetAttribute("BeginTime"), std::move(missing));
        if (result == players::AppendResult::PastMidnight)
            break;
    }
    return report;
}

} // namespace storage
