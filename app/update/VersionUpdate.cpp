#include "update/VersionUpdate.h"

#include "persist/AtomicFile.h"
#include "update/HttpFetch.h"
#include "update/UpdateAddresses.h"
#include "update/UpdateHistory.h"
#include "update/VersionDocument.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

namespace {

// The history file holds one date; more than this is not a history file.
constexpr std::size_t HISTORY_READ_BYTES = 100;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

CVersionUpdate::CVersionUpdate(std::string historyFolder)
    : m_historyFolder(std::move(historyFolder))
{
    // Here, on the owner's thread and before any worker exists; a failure shows as failed fetches.
    (void)InitHttpClient();
}

CVersionUpdate::~CVersionUpdate()
{
    Shutdown();
}

bool CVersionUpdate::IsCheckDue() const
{
    const std::string path = GetHistoryPath();
    if (path.empty())
        return true;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return true;
    char text[HISTORY_READ_BYTES];
    const std::size_t length = std::fread(text, 1, sizeof text, file.get());
    return IsCheckDueOn(std::string_view(text, length), TodayUtc(), GetCheckDays());
}

std::thread::id CVersionUpdate::Start(bool force, IUpdateReport* notify)
{
    if (m_shutdown.stop_requested() || !HasVersionAddress() || (!force && !IsCheckDue()))
        return {};
    const std::lock_guard lock(m_mutex);
    if (m_shutdown.stop_requested())
        return {};
    ReapFinishedWorkers();
    m_notify = notify;
    if (m_fetching != std::thread::id())
        return m_fetching;
    try {
        m_workers.emplace_back(&CVersionUpdate::WorkerMain, this);
    } catch (const std::system_error&) {
        return {};
    }
    m_fetching = m_workers.back().get_id();
    return m_fetching;
}

int CVersionUpdate::Run()
{
    FetchRequest request;
    request.Url = GetVersionUrl();
    request.Agent = GetAgent();
    const FetchResult fetched = FetchDocument(request, m_shutdown.get_token());
    std::optional<VersionInfo> info;
    if (fetched.Status == FETCH_OK)
        info = ParseVersionDocument(fetched.Bytes, GetProductName());
    if (!info) {
        Report(UpdateResult {});
        return 0;
    }

    {
        const std::lock_guard lock(m_mutex);
        m_latestMajor = info->MajorId;
        m_latestMinor = info->MinorId;
        m_description = info->Desc;
        m_haveLatest = true;
    }
    if (OnVersionFetched(info->MajorId, info->MinorId, info->Desc) == 0)
        Report(UpdateResult { 1, info->MajorId, info->MinorId, info->Desc });
    // A result cut short by shutdown may not have been seen: the next start checks again.
    if (!m_shutdown.stop_requested())
        WriteHistory();
    return 0;
}

int CVersionUpdate::GetCheckDays() const
{
    return 7;
}

std::string CVersionUpdate::GetHistoryFile() const
{
    return "KVUpdateHistory.txt";
}

std::string CVersionUpdate::GetAgent() const
{
    return std::string(UPDATE_AGENT);
}

int CVersionUpdate::OnVersionFetched(std::int32_t, std::int32_t, const std::string&)
{
    return 0;
}

void CVersionUpdate::Detach(IUpdateReport* receiver)
{
    if (receiver == nullptr)
        return;
    std::vector<std::stop_source> abandon;
    std::unique_lock lock(m_mutex);
    if (m_notify == receiver)
        m_notify = nullptr;
    for (const ActiveReport* report : m_reports) {
        if (report->receiver == receiver)
            abandon.push_back(report->abandon);
    }
    // Outside the lock: stop callbacks belong to the receiver and may take locks of their own.
    lock.unlock();
    for (std::stop_source& source : abandon)
        source.request_stop();
    lock.lock();
    m_reportEnded.wait(lock, [&] {
        return std::none_of(m_reports.begin(), m_reports.end(),
            [receiver](const ActiveReport* report) { return report->receiver == receiver; });
    });
}

bool CVersionUpdate::IsRunning() const
{
    const std::lock_guard lock(m_mutex);
    return m_workers.size() > m_finished.size();
}

UpdateResult CVersionUpdate::GetLatest() const
{
    const std::lock_guard lock(m_mutex);
    return { m_haveLatest ? 1 : 0, m_latestMajor, m_latestMinor, m_description };
}

std::string CVersionUpdate::GetHistoryPath() const
{
    std::string name = GetHistoryFile();
    if (name.empty() || name.front() == '/')
        return name;
    if (m_historyFolder.empty())
        return {};
    return m_historyFolder.back() == '/' ? m_historyFolder + name : m_historyFolder + '/' + name;
}

void CVersionUpdate::Shutdown()
{
    // Wakes a fetch at once and abandons a report in progress (see Report).
    m_shutdown.request_stop();
    std::vector<std::thread> workers;
    {
        const std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
        m_finished.clear();
        m_fetching = {};
        m_notify = nullptr;
    }
    for (std::thread& worker : workers)
        worker.join();
}

void CVersionUpdate::WorkerMain()
{
    Run();
    const std::lock_guard lock(m_mutex);
    if (m_fetching == std::this_thread::get_id())
        m_fetching = {};
    // After this the worker only returns, so joining it cannot wait for long.
    m_finished.push_back(std::this_thread::get_id());
}

void CVersionUpdate::Report(const UpdateResult& result)
{
    ActiveReport report;
    {
        const std::lock_guard lock(m_mutex);
        // From here on a new Start fetches again: this worker's receiver may be what starts it.
        if (m_fetching == std::this_thread::get_id())
            m_fetching = {};
        if (m_notify == nullptr || m_shutdown.stop_requested())
            return;
        report.receiver = m_notify;
        m_reports.push_back(&report);
    }
    {
        const std::stop_callback link(m_shutdown.get_token(), [&report] { report.abandon.request_stop(); });
        report.receiver->OnUpdateResult(result, report.abandon.get_token());
    }
    {
        const std::lock_guard lock(m_mutex);
        std::erase(m_reports, &report);
    }
    m_reportEnded.notify_all();
}

void CVersionUpdate::WriteHistory() const
{
    const std::string path = GetHistoryPath();
    // A history file that cannot be written is ignored: the next start merely checks again.
    if (!path.empty())
        (void)persist::WriteFileAtomically(path, HistoryDateText(TodayUtc()));
}

void CVersionUpdate::ReapFinishedWorkers()
{
    for (const std::thread::id id : m_finished) {
        const auto worker = std::find_if(
            m_workers.begin(), m_workers.end(), [id](const std::thread& t) { return t.get_id() == id; });
        if (worker != m_workers.end()) {
            worker->join();
            m_workers.erase(worker);
        }
    }
    m_finished.clear();
}
