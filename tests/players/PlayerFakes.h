#pragma once

#include "players/AsRunLog.h"
#include "players/Clock.h"
#include "players/MessageSink.h"
#include "players/PlayerTimers.h"
#include "players/PlayerView.h"
#include "players/Players.h"
#include "players/Poster.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Keeps what the screen shows; logs the list calls (focus, scroll, show, hide) when asked to.
class FakeView final : public players::IPlayerView {
public:
    struct Status {
        int image = players::IMAGE_STOP;
        std::string text = "Stopped";
    };

    bool logCalls = true;
    std::vector<std::string> calls;
    std::array<Status, players::PLAYER_COUNT> status {};
    std::array<bool, players::PLAYER_COUNT> marked { true };
    int playButton = players::IMAGE_PLAY;
    int position = 0;
    std::string elapsed = "00:00:00";
    int shownList = 0;
    int statusUpdates = 0;

    void ShowPlayerStatus(int player, int imageId, std::string_view text) override
    {
        Status& shown = status[static_cast<std::size_t>(player)];
        shown.image = imageId;
        // Most updates repeat what is shown; comparing is cheaper than copying.
        if (shown.text != text)
            shown.text = text;
        ++statusUpdates;
    }
    void MarkPlayerButton(int player, bool selected) override
    {
        marked[static_cast<std::size_t>(player)] = selected;
        Log("Mark " + std::to_string(player) + (selected ? " on" : " off"));
    }
    void ShowPlayButton(int imageId) override { playButton = imageId; }
    void ShowPosition(int percent) override { position = percent; }
    void ShowElapsed(std::string_view text) override { elapsed = text; }
    void ShowList(int player) override
    {
        shownList = player;
        Log("ShowList " + std::to_string(player));
    }
    void HideList(int player) override
    {
        if (shownList == player)
            shownList = -1;
        Log("HideList " + std::to_string(player));
    }
    void FocusList(int player) override { Log("FocusList " + std::to_string(player)); }
    void ScrollToRow(int player, int row) override
    {
        Log("ScrollToRow " + std::to_string(player) + " " + std::to_string(row));
    }

private:
    void Log(std::string line)
    {
        if (logCalls)
            calls.push_back(std::move(line));
    }
};

class FakeMessages final : public players::IMessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
        players::MessageIcon icon = players::MessageIcon::Information;
    };

    std::vector<Message> shown;
    bool answer = false;

    void ShowMessage(std::string_view text, std::string_view caption, players::MessageIcon icon) override
    {
        shown.push_back(Message { std::string(text), std::string(caption), icon });
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override
    {
        shown.push_back(Message { std::string(text), std::string(caption), players::MessageIcon::Question });
        return answer;
    }
};

// Queues posted calls until the test drains them, as the event loop would once the handler that
// posted them has returned. Delayed calls wait on a clock of their own that only Drain moves on.
class FakePoster final : public players::IPoster {
public:
    void Post(std::function<void()> call) override { m_queue.push_back(std::move(call)); }
    void PostAfter(int delayMs, std::function<void()> call) override
    {
        m_delayed.emplace(m_nowMs + delayMs, std::move(call));
    }

    [[nodiscard]] std::size_t Pending() const { return m_queue.size() + m_delayed.size(); }
    // Runs the queued calls, and any they post, in order; then each delayed call when its time
    // comes, as if the time passed.
    void Drain()
    {
        for (;;) {
            while (!m_queue.empty()) {
                std::function<void()> call = std::move(m_queue.front());
                m_queue.pop_front();
                call();
            }
            if (m_delayed.empty())
                return;
            auto next = m_delayed.begin();
            m_nowMs = next->first;
            std::function<void()> call = std::move(next->second);
            m_delayed.erase(next);
            call();
        }
    }

private:
    std::deque<std::function<void()>> m_queue;
    std::multimap<long long, std::function<void()>> m_delayed;
    long long m_nowMs = 0;
};

// Keeps the as-run log's lines as "<player> <file> | <what>", player numbers from 0.
class FakeAsRunLog final : public players::IAsRunLog {
public:
    std::vector<std::string> lines;

    void Write(int player, std::string_view file, std::string_view what, std::int64_t = -1) override
    {
        lines.push_back(std::to_string(player) + " " + std::string(file) + " | " + std::string(what));
    }
    // The lines that tell what happened, whatever the file.
    [[nodiscard]] std::vector<std::string> Of(int player) const
    {
        std::vector<std::string> found;
        const std::string prefix = std::to_string(player) + " ";
        for (const std::string& line : lines) {
            if (line.starts_with(prefix))
                found.push_back(line.substr(prefix.size()));
        }
        return found;
    }
};

class FakeTimers final : public players::IPlayerTimers {
public:
    std::vector<std::string> calls;
    std::array<bool, players::PLAYER_COUNT> running {};
    bool startFails = false;

    std::uint32_t Start(int player) override
    {
        calls.push_back("Start " + std::to_string(player));
        if (startFails)
            return 0;
        running[static_cast<std::size_t>(player)] = true;
        return players::PLAYER_TIMER_ID_BASE + static_cast<std::uint32_t>(player);
    }
    void Stop(int player) override
    {
        calls.push_back("Stop " + std::to_string(player));
        running[static_cast<std::size_t>(player)] = false;
    }
};

class FakeClock final : public players::IClock {
public:
    std::time_t now = 0;
    // How far into the second the clock reads.
    int millisecond = 0;

    std::time_t Now() const override { return now; }
    std::int64_t NowMs() const override { return static_cast<std::int64_t>(now) * 1000 + millisecond; }
};

// Sets the process's time zone for one test and puts the previous one back afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* previous = std::getenv("TZ"))
            m_previous = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_previous)
            setenv("TZ", m_previous->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_previous;
};

// The calendar time of a local wall-clock time in the current zone. For a time that occurs twice
// (the hour repeated when summer time ends) isDst chooses the pass: 1 the first, 0 the second.
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second, int isDst = -1)
{
    std::tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = isDst;
    return std::mktime(&local);
}

// 2026-06-03 is a Wednesday, a day the default weekly policy plays.
inline std::time_t June3(int hour, int minute, int second)
{
    return LocalTime(2026, 6, 3, hour, minute, second);
}
