#pragma once

#include "control/Sonarel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// An audio control that plays nothing. It keeps per stream what the real one would report (the open
// file, playing or not, position, elapsed time), logs every call in order when asked to, records
// each open-to-close span against a test clock, and raises events on request.
//
// The whole-day simulation makes several hundred thousand calls, so with logging off nothing here
// allocates beyond the spans.
class FakeSonarel final : public sonarel::ISonarel {
public:
    struct Stream {
        // A successful open not closed since.
        bool open = false;
        // Like the real control's graph: made by the first open, even a failed one, and released
        // by CloseStream. GetStreamFile reports the last successfully opened file while it exists.
        bool graph = false;
        short state = sonarel::STATE_CLOSED;
        bool playing = false;
        std::string file;
        // What GetStreamFile reports for the file.
        std::u16string reported;
        // The file's length, when durations lists it.
        std::int32_t lengthMs = -1;
        std::int32_t elapsedMs = 0;
        short position = 0;
    };

    // One file from its open to its close, in the seconds of the test's clock.
    struct Span {
        short stream = 0;
        std::string file;
        std::int64_t opened = 0;
        // When it was first played; -1 while never.
        std::int64_t played = -1;
        std::int64_t closed = -1;
        // It played to its end before it was closed.
        bool completed = false;
    };

    // Logs every call as one line, e.g. "OpenStream 0 /a.mp3 dev 0".
    bool logCalls = true;
    std::vector<std::string> calls;

    std::array<Stream, sonarel::STREAM_COUNT> streams {};
    std::vector<Span> spans;
    // The test's clock for the spans.
    std::int64_t now = 0;
    // Opens of a stream whose previous file was never closed: the host would have two files going
    // on one player if the control did not tear the first down.
    int opensOverOpenStream = 0;
    int openCount = 0;
    int getStreamFileCount = 0;

    // Files that OpenStream fails on; the stream then reports no file.
    std::set<std::string> unopenable;
    // Devices that are not connected: opens on them fail, and only these does IsAudioDeviceExist deny.
    std::set<std::string> absentDevices;
    // Lengths of the files: MediaDetect measures them and a playing stream completes after them.
    // MediaDetect fails for a file not listed.
    std::map<std::string, std::int32_t> durations;
    // The control keeps at most this many bytes of a file name, cut on a whole character.
    std::size_t storedNameLimit = static_cast<std::size_t>(-1);
    // What GetStreamPosition reports; false makes it fail.
    bool positionWorks = true;

    sonarel::ISonarelEvents* events = nullptr;

    // Plays the playing streams on by the given time; a stream that reaches its file's length
    // completes as the real control does: stopped at position 0, then OnStateChanged, OnPosChanged and
    // OnComplete.
    void Advance(std::int32_t ms)
    {
        for (short id = 0; id < sonarel::STREAM_COUNT; ++id) {
            Stream& stream = streams[static_cast<std::size_t>(id)];
            if (!stream.playing)
                continue;
            stream.elapsedMs += ms;
            if (stream.lengthMs >= 0 && stream.elapsedMs >= stream.lengthMs)
                Complete(id);
        }
    }

    void Complete(short id)
    {
        Stream& stream = streams[static_cast<std::size_t>(id)];
        if (Span* span = OpenSpan(id))
            span->completed = true;
        stream.playing = false;
        stream.state = sonarel::STATE_STOPPED;
        stream.elapsedMs = 0;
        const short last = stream.position;
        stream.position = 0;
        if (events) {
            events->OnStateChanged(id, sonarel::STATE_PLAYING, sonarel::STATE_STOPPED);
            events->OnPosChanged(id, last, 0);
            events->OnComplete(id);
        }
    }

    // The stream stops with an error, as a file that cannot be read on, or a device that went away.
    void Fail(short id, const char* error)
    {
        Stream& stream = streams[static_cast<std::size_t>(id)];
        stream.playing = false;
        stream.state = sonarel::STATE_STOPPED;
        if (events)
            events->OnError(id, -1, error);
    }

    // Calls of one method, in order.
    [[nodiscard]] std::vector<std::string> CallsOf(const std::string& method) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls) {
            if (call.compare(0, method.size() + 1, method + " ") == 0 || call == method)
                found.push_back(call);
        }
        return found;
    }

    bool OpenStream(short hStreamId, const char* pszFileName, const char* pszDevName, short bPlay) override
    {
        if (logCalls)
            Log("OpenStream " + std::to_string(hStreamId) + " " + pszFileName + " '" + pszDevName + "' "
                + std::to_string(bPlay));
        ++openCount;
        Stream* stream = Find(hStreamId);
        if (stream == nullptr)
            return false;
        if (stream->open) {
            ++opensOverOpenStream;
            CloseSpan(hStreamId);
        }
        const bool hadGraph = stream->graph;
        const std::u16string previous = stream->reported;
        *stream = Stream {};
        stream->graph = true;
        if (unopenable.count(pszFileName) != 0 || absentDevices.count(pszDevName) != 0) {
            // The real control keeps the previous file's name, leaves the stream stopped and says why.
            stream->reported = previous;
            stream->state = hadGraph ? sonarel::STATE_STOPPED : sonarel::STATE_CLOSED;
            if (events)
                events->OnError(hStreamId, -1,
                    absentDevices.count(pszDevName) != 0 ? "Add audio render filter failed"
                                                         : "Render file failed");
            return false;
        }
        stream->state = bPlay != 0 ? sonarel::STATE_PLAYING : sonarel::STATE_PAUSED;
        stream->open = true;
        stream->file = pszFileName;
        stream->reported = ToUtf16(CutName(stream->file));
        if (const auto length = durations.find(stream->file); length != durations.end())
            stream->lengthMs = length->second;
        stream->playing = bPlay != 0;
        spans.push_back(Span { hStreamId, stream->file, now, bPlay != 0 ? now : -1, -1, false });
        return true;
    }
    bool GetAudioDevice(short iIndex, char16_t*, short) override
    {
        Log("GetAudioDevice " + std::to_string(iIndex));
        return false;
    }
    bool Play(short hStreamId) override
    {
        if (logCalls)
            Log("Play " + std::to_string(hStreamId));
        Stream* stream = Find(hStreamId);
        if (stream == nullptr || !stream->open)
            return false;
        if (Span* span = OpenSpan(hStreamId); span != nullptr && span->played < 0)
            span->played = now;
        stream->playing = true;
        stream->state = sonarel::STATE_PLAYING;
        return true;
    }
    bool Pause(short hStreamId) override
    {
        Log("Pause " + std::to_string(hStreamId));
        Stream* stream = Find(hStreamId);
        if (stream == nullptr || !stream->open)
            return false;
        stream->playing = false;
        stream->state = sonarel::STATE_PAUSED;
        return true;
    }
    bool Stop(short hStreamId) override
    {
        Log("Stop " + std::to_string(hStreamId));
        return false;
    }
    bool SetPlaySpeed(short hStreamId, double) override
    {
        Log("SetPlaySpeed " + std::to_string(hStreamId));
        return false;
    }
    std::int32_t GetElapsed(short hStreamId) override
    {
        Log("GetElapsed " + std::to_string(hStreamId));
        const Stream* stream = Find(hStreamId);
        return stream != nullptr && stream->open ? stream->elapsedMs : 0;
    }
    void CloseStream(short hStreamId) override
    {
        if (logCalls)
            Log("CloseStream " + std::to_string(hStreamId));
        Stream* stream = Find(hStreamId);
        if (stream == nullptr)
            return;
        if (stream->open)
            CloseSpan(hStreamId);
        stream->open = false;
        stream->graph = false;
        stream->state = sonarel::STATE_CLOSED;
        stream->playing = false;
        stream->elapsedMs = 0;
        stream->position = 0;
    }
    bool SetStreamPosition(short hStreamId, short nPosition) override
    {
        Log("SetStreamPosition " + std::to_string(hStreamId) + " " + std::to_string(nPosition));
        return false;
    }
    bool SetBalance(short hStreamId, short nBalance) override
    {
        if (logCalls)
            Log("SetBalance " + std::to_string(hStreamId) + " " + std::to_string(nBalance));
        return false;
    }
    bool SetVolume(short hStreamId, short nVolume) override
    {
        if (logCalls)
            Log("SetVolume " + std::to_string(hStreamId) + " " + std::to_string(nVolume));
        return false;
    }
    bool GetStreamDuration(short hStreamId, std::int32_t* pnDuration) override
    {
        Log("GetStreamDuration " + std::to_string(hStreamId));
        const Stream* stream = Find(hStreamId);
        if (stream == nullptr || !stream->open || stream->lengthMs < 0 || pnDuration == nullptr)
            return false;
        *pnDuration = stream->lengthMs;
        return true;
    }
    bool GetStreamPosition(short hStreamId, short* pnPosition) override
    {
        Log("GetStreamPosition " + std::to_string(hStreamId));
        const Stream* stream = Find(hStreamId);
        if (!positionWorks || stream == nullptr || !stream->open || pnPosition == nullptr)
            return false;
        *pnPosition = stream->position;
        return true;
    }
    bool GetBalance(short hStreamId, short*) override
    {
        Log("GetBalance " + std::to_string(hStreamId));
        return false;
    }
    bool GetVolume(short hStreamId, short*) override
    {
        Log("GetVolume " + std::to_string(hStreamId));
        return false;
    }
    bool GetStreamState(short hStreamId, short* pnState) override
    {
        if (logCalls)
            Log("GetStreamState " + std::to_string(hStreamId));
        const Stream* stream = Find(hStreamId);
        if (stream == nullptr || pnState == nullptr)
            return false;
        *pnState = stream->state;
        return true;
    }
    bool GetStreamInfo(short hStreamId, short*, short*, std::int32_t*, short*, std::int32_t*) override
    {
        Log("GetStreamInfo " + std::to_string(hStreamId));
        return false;
    }
    bool MediaDetect(const char* pszFileName, std::int32_t* pnDuration, short*, short*, std::int32_t*, short*,
        std::int32_t*) override
    {
        Log(std::string("MediaDetect ") + pszFileName);
        const auto length = durations.find(pszFileName);
        if (length == durations.end())
            return false;
        if (pnDuration != nullptr)
            *pnDuration = length->second;
        return true;
    }
    short GetAudioDeviceNums() override
    {
        Log("GetAudioDeviceNums");
        return 0;
    }
    bool IsAudioDeviceExist(const char* pszDevName) override
    {
        Log("IsAudioDeviceExist");
        return absentDevices.count(pszDevName) == 0;
    }
    bool SetAudioAmplify(short hStreamId, float fAmplify) override
    {
        if (logCalls) {
            char text[64];
            std::snprintf(
                text, sizeof text, "SetAudioAmplify %d %.1f", hStreamId, static_cast<double>(fAmplify));
            Log(text);
        }
        return false;
    }
    bool SetLoudnessGain(short hStreamId, double dGainDb) override
    {
        if (logCalls) {
            char text[64];
            std::snprintf(text, sizeof text, "SetLoudnessGain %d %.1f", hStreamId, dGainDb);
            Log(text);
        }
        return true;
    }
    bool SetDuck(short hStreamId, double dAttenuationDb, std::int32_t nGlideMs) override
    {
        if (logCalls) {
            char text[64];
            std::snprintf(text, sizeof text, "SetDuck %d %.0f %d", hStreamId, dAttenuationDb, nGlideMs);
            Log(text);
        }
        return true;
    }
    bool GetAudioAmplify(short hStreamId, float*) override
    {
        Log("GetAudioAmplify " + std::to_string(hStreamId));
        return false;
    }
    bool SetAudioBand(short hStreamId, std::int32_t, std::int32_t, short) override
    {
        Log("SetAudioBand " + std::to_string(hStreamId));
        return false;
    }
    bool GetAudioBand(short hStreamId, std::int32_t, short*) override
    {
        Log("GetAudioBand " + std::to_string(hStreamId));
        return false;
    }
    bool GetPlaySpeed(short hStreamId, double*) override
    {
        Log("GetPlaySpeed " + std::to_string(hStreamId));
        return false;
    }
    bool GetStreamAudioDev(short hStreamId, char16_t*, short) override
    {
        Log("GetStreamAudioDev " + std::to_string(hStreamId));
        return false;
    }
    // Fills the buffer as the real control does: at most nNameLen characters, zeros after a shorter
    // name, no terminator after one that fills the buffer.
    bool GetStreamFile(short hStreamId, char16_t* pszFileName, short nNameLen) override
    {
        if (logCalls)
            Log("GetStreamFile " + std::to_string(hStreamId) + " " + std::to_string(nNameLen));
        ++getStreamFileCount;
        const Stream* stream = Find(hStreamId);
        if (stream == nullptr || !stream->graph || pszFileName == nullptr)
            return false;
        if (nNameLen <= 0)
            return true;
        const std::u16string& name = stream->reported;
        const std::size_t length = static_cast<std::size_t>(nNameLen);
        const std::size_t copied = std::min(name.size(), length);
        std::memcpy(pszFileName, name.data(), copied * sizeof(char16_t));
        std::memset(pszFileName + copied, 0, (length - copied) * sizeof(char16_t));
        return true;
    }
    void AboutBox() override { Log("AboutBox"); }

private:
    Stream* Find(short id)
    {
        return id >= 0 && id < sonarel::STREAM_COUNT ? &streams[static_cast<std::size_t>(id)] : nullptr;
    }

    void Log(std::string line)
    {
        if (logCalls)
            calls.push_back(std::move(line));
    }

    Span* OpenSpan(short id)
    {
        for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
            if (span->stream == id && span->closed < 0)
                return &*span;
        }
        return nullptr;
    }

    void CloseSpan(short id)
    {
        if (Span* span = OpenSpan(id))
            span->closed = now;
    }

    [[nodiscard]] std::string CutName(const std::string& name) const
    {
        if (name.size() <= storedNameLimit)
            return name;
        std::size_t end = storedNameLimit;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
        return name.substr(0, end);
    }

    // Well-formed UTF-8 only, which is all the tests use.
    static std::u16string ToUtf16(const std::string& text)
    {
        std::u16string out;
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            char32_t code = lead;
            std::size_t length = 1;
            if (lead >= 0xF0) {
                code = lead & 0x07;
                length = 4;
            } else if (lead >= 0xE0) {
                code = lead & 0x0F;
                length = 3;
            } else if (lead >= 0xC0) {
                code = lead & 0x1F;
                length = 2;
            }
            for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            i += length;
            if (code >= 0x10000) {
                code -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (code >> 10));
                out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
            } else {
                out += static_cast<char16_t>(code);
            }
        }
        return out;
    }
};
