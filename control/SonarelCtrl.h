#pragma once

#include "control/BoundedDetection.h"
#include "control/Sonarel.h"
#include "control/StreamRecord.h"
#include "control/platform/Platform.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace sonarel {

// The DSP module that every open loads by this plain name from the program's folder.
inline constexpr const char* DSP_MODULE_NAME = "libSonarelDsp.so";
// Names under which an open puts its filters into the graph; the platform names the renderer it
// adds itself when no device was named.
inline constexpr const char* RENDERER_FILTER_NAME = "KV Audio Render";
inline constexpr const char* DSP_FILTER_NAME = "KV DC-DSP Filter";
inline constexpr const char* DEFAULT_RENDERER_FILTER_NAME = "Default DirectSound Device";

// Period of the tick that reports position and elapsed time of a playing stream.
inline constexpr unsigned int STREAM_TICK_MS = 200;

// The control: eight streams, each one graph from a file through the DSP filter to a device.
//
// Threading: single-threaded. Every method, every tick and every graph notification runs on the
// control's thread (the thread that created the platform), one at a time; there are no locks.
// Events are raised synchronously from inside the method or handler that causes them.
//
// Calling back from a listener: a listener may call any method of the control from inside any
// event, including closing or reopening the stream whose event it is handling. The control never
// holds a graph pointer or a stream's state across an event raise without checking it again:
//  - inside OnComplete (or the events before it) a listener may close the stream; the completion
//    sequence is still raised in full, its steps that need the graph then fail silently, and the
//    graph that is delivering the notification is kept alive until that delivery has returned
//    (it is released from the event loop a moment later);
//  - inside a tick, once a listener has stopped, paused or closed the stream, the tick ends
//    without reporting the elapsed time.
// A listener must not destroy the control from inside an event.
//
// Destruction tears every stream down (stop, release the graph and the DSP filter) without raising
// any event: the host is being destroyed and its listener may already be half gone.
class CSonarelCtrl final : public ISonarel {
public:
    CSonarelCtrl(std::unique_ptr<IPlatform> platform, ISonarelEvents* events);
    ~CSonarelCtrl() override;
    CSonarelCtrl(const CSonarelCtrl&) = delete;
    CSonarelCtrl& operator=(const CSonarelCtrl&) = delete;

    bool OpenStream(short hStreamId, const char* pszFileName, const char* pszDevName, short bPlay) override;
    bool GetAudioDevice(short iIndex, char16_t* pszDevName, short iDevNameLen) override;
    bool Play(short hStreamId) override;
    bool Pause(short hStreamId) override;
    bool Stop(short hStreamId) override;
    bool SetPlaySpeed(short hStreamId, double dSpeed) override;
    [[nodiscard]] std::int32_t GetElapsed(short hStreamId) override;
    void CloseStream(short hStreamId) override;
    bool SetStreamPosition(short hStreamId, short nPosition) override;
    bool SetBalance(short hStreamId, short nBalance) override;
    bool SetVolume(short hStreamId, short nVolume) override;
    bool GetStreamDuration(short hStreamId, std::int32_t* pnDuration) override;
    bool GetStreamPosition(short hStreamId, short* pnPosition) override;
    bool GetBalance(short hStreamId, short* pnBalance) override;
    bool GetVolume(short hStreamId, short* pnVolume) override;
    bool GetStreamState(short hStreamId, short* pnState) override;
    bool GetStreamInfo(short hStreamId, short* pnChannels, short* pnBlockAlign, std::int32_t* pnSamplesPerSec,
        short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec) override;
    bool MediaDetect(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
        short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
        std::int32_t* pnAvgBytesPerSec) override;
    bool MediaDetectBlocking(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
        short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
        std::int32_t* pnAvgBytesPerSec) override;
    [[nodiscard]] short GetAudioDeviceNums() override;
    [[nodiscard]] bool IsAudioDeviceExist(const char* pszDevName) override;
    bool SetAudioAmplify(short hStreamId, float fAmplify) override;
    bool GetAudioAmplify(short hStreamId, float* pfAmplify) override;
    bool SetAudioBand(short hStreamId, std::int32_t nMinIndex, std::int32_t nMaxIndex, short nBand) override;
    bool GetAudioBand(short hStreamId, std::int32_t nIndex, short* pnBand) override;
    bool GetPlaySpeed(short hStreamId, double* pdSpeed) override;
    bool GetStreamAudioDev(short hStreamId, char16_t* pszDevName, short nDevNameLen) override;
    bool GetStreamFile(short hStreamId, char16_t* pszFileName, short nNameLen) override;
    void AboutBox() override;
    bool SetLoudnessGain(short hStreamId, double dGainDb) override;
    bool SetDuck(short hStreamId, double dAttenuationDb, std::int32_t nGlideMs) override;

private:
    [[nodiscard]] static bool IsValidId(short id);
    // True for ids 0 to 7; otherwise raises the invalid-id error with stream -1.
    [[nodiscard]] bool CheckId(short id);
    [[nodiscard]] StreamRecord& Stream(short id);
    // The stream of a valid id whose arguments are `valid`; nullptr otherwise, having raised the
    // invalid id, or `refusal` for the arguments (nothing when it is nullptr).
    [[nodiscard]] StreamRecord* StreamFor(short id, bool valid = true, const char* refusal = nullptr);
    // The same stream's graph; nullptr also, without an event, for a stream that has none.
    [[nodiscard]] IFilterGraph* GraphFor(short id, bool valid = true, const char* refusal = nullptr);
    // False, having raised `text` for the stream, when `status` failed.
    [[nodiscard]] bool Succeeded(short id, HResult status, const char* text);
    // Pause or Stop: the graph's command, then the tick ends and the stream takes `state`.
    [[nodiscard]] bool Halt(short id, HResult (IFilterGraph::*command)(), std::int32_t state);
    // A level setting of the gain stage: a value the graph refuses is raised as an invalid parameter.
    [[nodiscard]] bool ApplySetting(short id, HResult status, const char* text);

    // Stores the state and raises OnStateChanged when it differs. The state is stored before the
    // event, so that a listener that asks or acts sees the new state.
    void SetState(short id, std::int32_t state);

    void StartTick(short id);
    void KillTick(StreamRecord& stream);
    void OnTick(short id);

    // The graph's notification: drains its events while it is still the stream's graph.
    void OnGraphNotify(short id, std::uint64_t generation);
    void CompleteStream(short id);

    [[nodiscard]] HResult SetUpDsp(StreamRecord& stream);
    // Points the graph's notification at OnGraphNotify for the stream's current graph.
    [[nodiscard]] HResult SetGraphNotify(short id);
    // Clears the notification and destroys the graph, or, when the graph is delivering a
    // notification right now, parks it until that delivery has returned.
    void ReleaseGraph(StreamRecord& stream);
    [[nodiscard]] bool IsDispatching(const IFilterGraph* graph) const;
    void ReapRetiredGraphs();

    // MediaDetect, waiting at most `budget` for the detector when one is given.
    bool DetectMedia(const char* path, std::optional<std::chrono::milliseconds> budget,
        std::int32_t* pnDuration, short* pnChannels, short* pnBlockAlign, std::int32_t* pnSamplesPerSec,
        short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec);

    void RaiseError(short id, std::int32_t lRet, const char* text);
    void RaisePosChanged(short id, short oldPosition, short newPosition);

    std::unique_ptr<IPlatform> m_platform;
    ISonarelEvents* m_events = nullptr;
    std::array<StreamRecord, STREAM_COUNT> m_streams {};
    std::uint64_t m_nextGraphGeneration = 1;
    // Graphs whose notification is running, innermost last.
    std::vector<const IFilterGraph*> m_dispatching;
    // Graphs released during their own notification, and the timer that destroys them afterwards.
    std::vector<std::unique_ptr<IFilterGraph>> m_retiredGraphs;
    TimerId m_reapTimer = 0;
    BoundedDetection m_detections;
};

} // namespace sonarel
