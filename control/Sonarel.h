#pragma once

// The public interface of the Sonarel audio control: up to eight numbered streams, each one audio
// file on one named output device, and the listener that receives the control's five events.
// Plain C++ only: the host includes this header without linking the media framework.
//
// Text passed in is UTF-8 and may be null. Names handed back are written into caller-supplied
// UTF-16 buffers (see GetAudioDevice). Stream ids are 0 to 7; every method checks the id first.

#include <cstdint>
#include <memory>

namespace sonarel {

class IPlatform;

// Dispatch identifiers of the control's methods; 21 is reserved and has no method.
using DispId = std::int32_t;
inline constexpr DispId DISPID_OPENSTREAM = 1;
inline constexpr DispId DISPID_GETAUDIODEVICE = 2;
inline constexpr DispId DISPID_PLAY = 3;
inline constexpr DispId DISPID_PAUSE = 4;
inline constexpr DispId DISPID_STOP = 5;
inline constexpr DispId DISPID_SETPLAYSPEED = 6;
inline constexpr DispId DISPID_GETELAPSED = 7;
inline constexpr DispId DISPID_CLOSESTREAM = 8;
inline constexpr DispId DISPID_SETSTREAMPOSITION = 9;
inline constexpr DispId DISPID_SETBALANCE = 10;
inline constexpr DispId DISPID_SETVOLUME = 11;
inline constexpr DispId DISPID_GETSTREAMDURATION = 12;
inline constexpr DispId DISPID_GETSTREAMPOSITION = 13;
inline constexpr DispId DISPID_GETBALANCE = 14;
inline constexpr DispId DISPID_GETVOLUME = 15;
inline constexpr DispId DISPID_GETSTREAMSTATE = 16;
inline constexpr DispId DISPID_GETSTREAMINFO = 17;
inline constexpr DispId DISPID_MEDIADETECT = 18;
inline constexpr DispId DISPID_GETAUDIODEVICENUMS = 19;
inline constexpr DispId DISPID_ISAUDIODEVICEEXIST = 20;
inline constexpr DispId DISPID_SETAUDIOAMPLIFY = 22;
inline constexpr DispId DISPID_GETAUDIOAMPLIFY = 23;
inline constexpr DispId DISPID_SETAUDIOBAND = 24;
inline constexpr DispId DISPID_GETAUDIOBAND = 25;
inline constexpr DispId DISPID_GETPLAYSPEED = 26;
inline constexpr DispId DISPID_GETSTREAMAUDIODEV = 27;
inline constexpr DispId DISPID_GETSTREAMFILE = 28;
inline constexpr DispId DISPID_ABOUTBOX = -552;

// Dispatch identifiers of the events.
inline constexpr DispId DISPID_ONERROR = 1;
inline constexpr DispId DISPID_ONCOMPLETE = 2;
inline constexpr DispId DISPID_ONSTATECHANGED = 3;
inline constexpr DispId DISPID_ONPOSCHANGED = 4;
inline constexpr DispId DISPID_ONELAPSEDCHANGED = 5;

// Stream states, as GetStreamState and OnStateChanged carry them.
inline constexpr short STATE_CLOSED = 0; // never opened, or closed
inline constexpr short STATE_STOPPED = 1; // stopped, also after the file played to its end
inline constexpr short STATE_PLAYING = 2;
inline constexpr short STATE_PAUSED = 3; // also right after an open that did not start playing

inline constexpr short STREAM_COUNT = 8;

// The control's events. They are raised synchronously on the control's thread, from inside the
// method or handler that causes them, in the order they happen. The default handlers do nothing.
class ISonarelEvents {
public:
    virtual ~ISonarelEvents() = default;
    // lRet is the failing platform status, or 0 / -1 as the failing method defines.
    virtual void OnError(short /*hStreamId*/, std::int32_t /*lRet*/, const char* /*pszErrInfo*/) { }
    // The stream's file has played to its end; the stream is stopped at position 0.
    virtual void OnComplete(short /*hStreamId*/) { }
    virtual void OnStateChanged(short /*hStreamId*/, short /*nOldState*/, short /*nNewState*/) { }
    // Position in percent of the duration.
    virtual void OnPosChanged(short /*hStreamId*/, short /*nOldPos*/, short /*nNewPos*/) { }
    // Elapsed milliseconds, raised when they moved by a second or more since the last report.
    virtual void OnElapsedChanged(short /*hStreamId*/, std::int32_t /*lElapsed*/) { }
};

// The audio control. Results: true on success; a failure also raises OnError unless the method
// says it fails silently (a stream that is not open, for instance, fails without an event).
//
// Wide buffers (GetAudioDevice, GetStreamAudioDev, GetStreamFile): the caller passes a UTF-16
// buffer of at least `length` characters. At most `length` characters are copied; a shorter text
// is followed by zero characters up to `length`, a text as long or longer gets no terminator.
// Nothing is written at or past `length`; a negative length copies nothing.
class ISonarel {
public:
    virtual ~ISonarel() = default;

    // Builds the stream for the file on the named device (null or empty: the default device) and
    // starts it when bPlay is not 0; otherwise the stream is left paused (state 3).
    virtual bool OpenStream(short hStreamId, const char* pszFileName, const char* pszDevName, short bPlay)
        = 0;
    // Name of the iIndex-th audio output device.
    virtual bool GetAudioDevice(short iIndex, char16_t* pszDevName, short iDevNameLen) = 0;
    virtual bool Play(short hStreamId) = 0;
    virtual bool Pause(short hStreamId) = 0;
    virtual bool Stop(short hStreamId) = 0;
    // Playback rate, greater than 0 (1.0 is normal speed).
    virtual bool SetPlaySpeed(short hStreamId, double dSpeed) = 0;
    // Current position in milliseconds; 0 on any failure.
    [[nodiscard]] virtual std::int32_t GetElapsed(short hStreamId) = 0;
    // Stops the stream and releases everything it holds; the stored names stay.
    virtual void CloseStream(short hStreamId) = 0;
    // Seeks to nPosition percent (0 to 100) of the duration.
    virtual bool SetStreamPosition(short hStreamId, short nPosition) = 0;
    // -10000 to 10000; positive attenuates the left channel by nBalance / 100 dB.
    virtual bool SetBalance(short hStreamId, short nBalance) = 0;
    // 0 to 100, linear in decibels over 40 dB (0 is -40 dB, not silence).
    virtual bool SetVolume(short hStreamId, short nVolume) = 0;
    // Duration in milliseconds.
    virtual bool GetStreamDuration(short hStreamId, std::int32_t* pnDuration) = 0;
    // Position in percent of the duration.
    virtual bool GetStreamPosition(short hStreamId, short* pnPosition) = 0;
    virtual bool GetBalance(short hStreamId, short* pnBalance) = 0;
    virtual bool GetVolume(short hStreamId, short* pnVolume) = 0;
    virtual bool GetStreamState(short hStreamId, short* pnState) = 0;
    // The format that arrives at the stream's output device. Every output may be null.
    virtual bool GetStreamInfo(short hStreamId, short* pnChannels, short* pnBlockAlign,
        std::int32_t* pnSamplesPerSec, short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec)
        = 0;
    // Duration (ms) and audio format of a file, without playing it. Every output may be null.
    // Answers within 50 ms: a file that takes longer to measure (a share that answers slowly) fails
    // with "Media detect failed", and its measuring goes on, so that a later call on the same file
    // gets the result.
    virtual bool MediaDetect(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
        short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
        std::int32_t* pnAvgBytesPerSec)
        = 0;
    // MediaDetect without its time bound, for callers that can wait (a reader that shows its
    // progress): blocks the calling thread for as long as the file takes. Same results and events.
    virtual bool MediaDetectBlocking(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
        short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
        std::int32_t* pnAvgBytesPerSec)
    {
        return MediaDetect(pszFileName, pnDuration, pnChannels, pnBlockAlign, pnSamplesPerSec,
            pnBitsPerSample, pnAvgBytesPerSec);
    }
    [[nodiscard]] virtual short GetAudioDeviceNums() = 0;
    [[nodiscard]] virtual bool IsAudioDeviceExist(const char* pszDevName) = 0;
    // Amplification factor 1.0 to 10.0.
    virtual bool SetAudioAmplify(short hStreamId, float fAmplify) = 0;
    virtual bool GetAudioAmplify(short hStreamId, float* pfAmplify) = 0;
    // Sets the equaliser bands nMinIndex up to but excluding nMaxIndex (at most 1024) to nBand.
    virtual bool SetAudioBand(short hStreamId, std::int32_t nMinIndex, std::int32_t nMaxIndex, short nBand)
        = 0;
    // Value of one equaliser band, nIndex 0 to 8192.
    virtual bool GetAudioBand(short hStreamId, std::int32_t nIndex, short* pnBand) = 0;
    virtual bool GetPlaySpeed(short hStreamId, double* pdSpeed) = 0;
    // Device name given at the last successful open; empty for the default device.
    virtual bool GetStreamAudioDev(short hStreamId, char16_t* pszDevName, short nDevNameLen) = 0;
    // File name given at the last successful open; false once the stream is closed.
    virtual bool GetStreamFile(short hStreamId, char16_t* pszFileName, short nNameLen) = 0;
    // The control is headless and shows nothing: the host shows its own about box.
    virtual void AboutBox() = 0;

    // Levels beyond the volume, inside the stream (never the sound server's), both back at 0 dB with
    // every open. A gain in dB, -40 to +30, that evens out a file's loudness (samples saturate rather
    // than wrap); and an attenuation in dB, 0 to 60, that lowers the stream under another one and
    // glides to its new value over glideMs (0 to 10000) without a click. A control that has no such
    // levels refuses them.
    virtual bool SetLoudnessGain(short /*hStreamId*/, double /*dGainDb*/) { return false; }
    virtual bool SetDuck(short /*hStreamId*/, double /*dAttenuationDb*/, std::int32_t /*nGlideMs*/)
    {
        return false;
    }
};

// The control on the real media framework. The listener may be null and must outlive the control.
// The control lives on the calling thread: see CSonarelCtrl for the threading contract.
[[nodiscard]] std::unique_ptr<ISonarel> CreateSonarel(ISonarelEvents* events);

// The control on a given platform (tests use a fake one); nullptr when platform is null.
[[nodiscard]] std::unique_ptr<ISonarel> CreateSonarelWithPlatform(
    std::unique_ptr<IPlatform> platform, ISonarelEvents* events);

} // namespace sonarel
