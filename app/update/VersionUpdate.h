#pragma once

#include "update/UpdateReport.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// The background check for a newer version of the program.
//
// Start() runs the check on a worker thread of the checker's own: it fetches the maker's version
// document (at most its first 4096 bytes), reads the newest version and its description from it,
// reports the result to a receiver (IUpdateReport) and, after a successful check, writes today's
// UTC date into the history file, so that the automatic check runs at most once every
// GetCheckDays() days. A failed check reports Ok = 0 and leaves the history file alone.
//
// The history file lives in the folder given to the constructor (the configuration file's folder),
// not in whatever the current directory happens to be. With no folder there is no history: every
// automatic check is due and nothing is written.
//
// Threading: the owner (the window's thread) creates, starts, detaches and destroys the checker;
// Start and Detach may also be called from inside a report. Run, OnVersionFetched and the Get...
// operations for the fetch run on the worker. Destruction stops any fetch and abandons any report in
// progress, then joins every worker; it never kills a thread, and returns within milliseconds even
// while a server stalls or the receiver's thread is busy with the very destruction. It must not
// happen inside a report's handling, which the worker waits for. Derived classes must call
// Shutdown() first thing in their destructor, because the worker calls their overrides.
class CVersionUpdate {
public:
    explicit CVersionUpdate(std::string historyFolder);
    virtual ~CVersionUpdate();
    CVersionUpdate(const CVersionUpdate&) = delete;
    CVersionUpdate& operator=(const CVersionUpdate&) = delete;

    // Whether the last successful check is GetCheckDays() or more days old (UTC calendar dates); also
    // due when the history file is missing, unreadable or holds no date, or a date after today.
    [[nodiscard]] virtual bool IsCheckDue() const;
    // Starts a check when forced or due; the result goes to notify (none when null). Returns the id of
    // the worker that will report, or a default id when nothing was started (not due, shut down, or no
    // thread could be created).
    //
    // While a worker is still fetching, no second fetch starts: its result goes to the latest notify
    // instead, and its id is returned. A worker that is already reporting (its receiver may be
    // showing a dialog that starts a check of its own) no longer counts: a new worker fetches again.
    // Without a version address nothing starts, forced or not, and nothing is reported.
    virtual std::thread::id Start(bool force, IUpdateReport* notify);
    // Whether there is a version document to check (GetVersionUrl() is not empty).
    [[nodiscard]] bool HasVersionAddress() const { return !GetVersionUrl().empty(); }
    // The worker's body: fetch, parse, report, write the history. Returns 0.
    virtual int Run();
    virtual int GetCheckDays() const;
    // The history file's name, taken relative to the history folder.
    virtual std::string GetHistoryFile() const;
    // Sent as the HTTP user agent.
    virtual std::string GetAgent() const;
    virtual std::string GetVersionUrl() const = 0;
    // The name of the version document's top-level element.
    virtual std::string GetProductName() const = 0;
    // Called on the worker with a version read; any result but 0 means the override dealt with it and
    // nothing is reported (the history file is still written).
    virtual int OnVersionFetched(std::int32_t major, std::int32_t minor, const std::string& description);

    // Makes sure the receiver is never called again: clears it as the receiver of a running fetch,
    // and abandons a report to it in progress, waiting until that call has returned. A receiver that
    // goes away before the checker must call this first. Not from inside that receiver's own handler.
    void Detach(IUpdateReport* receiver);

    // Whether a worker is fetching or reporting.
    [[nodiscard]] bool IsRunning() const;
    // The version of the last document read: its MajorId, MinorId and Desc (0, 0 and empty before
    // any); Ok is 1 once a document has been read.
    [[nodiscard]] UpdateResult GetLatest() const;
    // Where the history file is; empty when there is no history folder.
    [[nodiscard]] std::string GetHistoryPath() const;

protected:
    // Stops every fetch and report and joins every worker; later Starts do nothing. Idempotent.
    void Shutdown();

private:
    // A report in progress, on its worker's stack.
    struct ActiveReport {
        IUpdateReport* receiver = nullptr;
        std::stop_source abandon;
    };

    void WorkerMain();
    void Report(const UpdateResult& result);
    void WriteHistory() const;
    // Joins the workers that have ended. Called with the mutex held.
    void ReapFinishedWorkers();

    const std::string m_historyFolder;
    std::stop_source m_shutdown;

    mutable std::mutex m_mutex;
    std::condition_variable m_reportEnded;
    // Guarded by m_mutex from here on.
    std::int32_t m_latestMajor = 0;
    std::int32_t m_latestMinor = 0;
    std::string m_description;
    bool m_haveLatest = false;
    IUpdateReport* m_notify = nullptr;
    std::vector<std::thread> m_workers;
    std::vector<std::thread::id> m_finished;
    // The worker that is fetching and has not begun its report; default when none.
    std::thread::id m_fetching;
    std::vector<ActiveReport*> m_reports;
};
