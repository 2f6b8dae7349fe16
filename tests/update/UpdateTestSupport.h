#pragma once

#include "update/UpdateHandoff.h"
#include "update/UpdateReport.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fresh folder under the temporary directory, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "update-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string File(const std::string& name) const { return m_path + "/" + name; }

    [[nodiscard]] bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }
    [[nodiscard]] std::string Read(const std::string& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }
    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
    }

private:
    std::string m_path;
};

// A thread that runs queued tasks one at a time, as a window's event loop does. While held, tasks
// queue up without running. The destructor drops the tasks that have not run and joins.
class TestEventLoop {
public:
    TestEventLoop()
        : m_thread([this] { Loop(); })
    {
    }
    ~TestEventLoop()
    {
        std::deque<std::function<void()>> dropped;
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
            dropped.swap(m_tasks);
        }
        m_changed.notify_all();
        m_thread.join();
    }
    TestEventLoop(const TestEventLoop&) = delete;
    TestEventLoop& operator=(const TestEventLoop&) = delete;

    void Post(std::function<void()> task)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_changed.notify_all();
    }
    void Hold(bool held)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_held = held;
        }
        m_changed.notify_all();
    }
    [[nodiscard]] std::size_t Queued() const
    {
        const std::lock_guard lock(m_mutex);
        return m_tasks.size();
    }
    [[nodiscard]] std::thread::id Id() const { return m_thread.get_id(); }
    [[nodiscard]] std::function<void(std::function<void()>)> Poster()
    {
        return [this](std::function<void()> task) { Post(std::move(task)); };
    }

private:
    void Loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stopping || (!m_held && !m_tasks.empty()); });
            if (m_stopping)
                return;
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
        }
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    bool m_held = false;
    bool m_stopping = false;
    std::thread m_thread;
};

// Keeps every result it receives, with the thread it was handled on.
class ResultLog {
public:
    void Add(const UpdateResult& result)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_results.push_back(result);
            m_threads.push_back(std::this_thread::get_id());
        }
        m_added.notify_all();
    }
    [[nodiscard]] bool WaitFor(
        std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(30))
    {
        std::unique_lock lock(m_mutex);
        return m_added.wait_for(lock, timeout, [&] { return m_results.size() >= count; });
    }
    [[nodiscard]] std::vector<UpdateResult> Results() const
    {
        const std::lock_guard lock(m_mutex);
        return m_results;
    }
    [[nodiscard]] std::vector<std::thread::id> Threads() const
    {
        const std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_added;
    std::vector<UpdateResult> m_results;
    std::vector<std::thread::id> m_threads;
};

// Handles the result right on the worker thread, which trivially blocks the worker meanwhile.
class DirectReceiver : public IUpdateReport {
public:
    void OnUpdateResult(const UpdateResult& result, std::stop_token) override { Log.Add(result); }
    ResultLog Log;
};

// Hands the result to an event loop thread and waits there, the way a window receives it. The
// optional handler runs on the loop thread after the result has been logged.
class LoopReceiver : public IUpdateReport {
public:
    explicit LoopReceiver(TestEventLoop& loop)
        : m_loop(loop)
    {
    }
    void OnUpdateResult(const UpdateResult& result, std::stop_token abandon) override
    {
        const bool handled = HandOffAndWait(
            m_loop.Poster(),
            [&] {
                Log.Add(result);
                if (Handler)
                    Handler(result);
            },
            abandon);
        const std::lock_guard lock(m_mutex);
        (handled ? m_handled : m_abandoned)++;
    }
    [[nodiscard]] int Abandoned() const
    {
        const std::lock_guard lock(m_mutex);
        return m_abandoned;
    }

    ResultLog Log;
    std::function<void(const UpdateResult&)> Handler;

private:
    TestEventLoop& m_loop;
    mutable std::mutex m_mutex;
    int m_handled = 0;
    int m_abandoned = 0;
};
