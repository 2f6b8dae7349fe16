// Output devices, media detection of files and the format a stream plays in.

#include "control/ControlErrors.h"
#include "control/DeviceName.h"
#include "control/SonarelCtrl.h"
#include "control/TextConversion.h"

#include <cmath>
#include <limits>

namespace sonarel {

namespace {

    // The longest that MediaDetect holds its caller (the user interface) for a file.
    constexpr std::chrono::milliseconds MEDIA_DETECT_BUDGET { 40 };

    // Writes the format to those of the caller's out-parameters that it gave.
    void ReportFormat(const WaveFormat& format, short* pnChannels, short* pnBlockAlign,
        std::int32_t* pnSamplesPerSec, short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec)
    {
        if (pnChannels != nullptr) {
            *pnChannels = static_cast<short>(format.channels);
        }
        if (pnBlockAlign != nullptr) {
            *pnBlockAlign = static_cast<short>(format.blockAlign);
        }
        if (pnSamplesPerSec != nullptr) {
            *pnSamplesPerSec = static_cast<std::int32_t>(format.samplesPerSec);
        }
        if (pnBitsPerSample != nullptr) {
            *pnBitsPerSample = static_cast<short>(format.bitsPerSample);
        }
        if (pnAvgBytesPerSec != nullptr) {
            *pnAvgBytesPerSec = static_cast<std::int32_t>(format.avgBytesPerSec);
        }
    }

} // namespace

short CSonarelCtrl::GetAudioDeviceNums()
{
    int count = 0;
    const HResult status = CountAudioDevices(*m_platform, &count);
    if (Failed(status)) {
        RaiseError(NO_STREAM, status, ERR_CREATE_ENUMERATOR);
        return 0;
    }
    return static_cast<short>(count);
}

bool CSonarelCtrl::GetAudioDevice(short iIndex, char16_t* pszDevName, short iDevNameLen)
{
    if (pszDevName == nullptr) {
        return false;
    }
    std::optional<std::u16string> name;
    const HResult status = AudioDeviceName(*m_platform, iIndex, &name);
    if (Failed(status)) {
        RaiseError(NO_STREAM, status, ERR_CREATE_ENUMERATOR);
        return false;
    }
    if (!name) {
        return false;
    }
    CopyToWideBuffer(*name, pszDevName, iDevNameLen);
    return true;
}

bool CSonarelCtrl::IsAudioDeviceExist(const char* pszDevName)
{
    if (pszDevName == nullptr) {
        return false;
    }
    bool exists = false;
    const HResult status = AudioDeviceExists(*m_platform, pszDevName, &exists);
    if (Failed(status)) {
        RaiseError(NO_STREAM, status, ERR_CREATE_ENUMERATOR);
        return false;
    }
    return exists;
}

bool CSonarelCtrl::MediaDetect(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
    short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
    std::int32_t* pnAvgBytesPerSec)
{
    return DetectMedia(pszFileName, MEDIA_DETECT_BUDGET, pnDuration, pnChannels, pnBlockAlign,
        pnSamplesPerSec, pnBitsPerSample, pnAvgBytesPerSec);
}

bool CSonarelCtrl::MediaDetectBlocking(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
    short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
    std::int32_t* pnAvgBytesPerSec)
{
    return DetectMedia(pszFileName, std::nullopt, pnDuration, pnChannels, pnBlockAlign, pnSamplesPerSec,
        pnBitsPerSample, pnAvgBytesPerSec);
}

bool CSonarelCtrl::DetectMedia(const char* pszFileName, std::optional<std::chrono::milliseconds> budget,
    std::int32_t* pnDuration, short* pnChannels, short* pnBlockAlign, std::int32_t* pnSamplesPerSec,
    short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec)
{
    if (pszFileName == nullptr) {
        RaiseError(NO_STREAM, 0, ERR_NULL_POINTER);
        return false;
    }
    std::unique_ptr<IMediaDetector> detector = m_platform->CreateMediaDetector();
    if (!detector) {
        RaiseError(NO_STREAM, 0, ERR_MEDIA_DETECT);
        return false;
    }
    const std::optional<MediaDetection> measured = budget
        ? m_detections.Detect(std::move(detector), pszFileName, *budget)
        : std::optional<MediaDetection>(detector->Detect(pszFileName));
    if (!measured) {
        // Still measuring: the caller's thread is not held up for a slow file.
        RaiseError(NO_STREAM, 0, ERR_MEDIA_DETECT);
        return false;
    }
    const MediaDetection& detection = *measured;
    switch (detection.failure) {
    case MediaDetection::Failure::None:
        break;
    case MediaDetection::Failure::Open:
        RaiseError(NO_STREAM, 0, ERR_MEDIA_DETECT);
        return false;
    case MediaDetection::Failure::Length:
        RaiseError(NO_STREAM, 0, ERR_GET_DURATION);
        return false;
    case MediaDetection::Failure::NoAudio:
        RaiseError(NO_STREAM, 0, ERR_MEDIA_INFORMATION);
        return false;
    }
    // A length that is not a number or does not fit the result is no length at all.
    const double milliseconds = std::trunc(detection.firstStreamSeconds * 1000.0);
    if (!(milliseconds >= std::numeric_limits<std::int32_t>::min()
            && milliseconds <= std::numeric_limits<std::int32_t>::max())) {
        RaiseError(NO_STREAM, 0, ERR_GET_DURATION);
        return false;
    }

    // Block align and bytes per second follow from the format; the detector's own values are not used.
    const WaveFormat& audio = detection.audio;
    const auto blockAlign = static_cast<std::uint16_t>(audio.channels * audio.bitsPerSample / 8);
    const std::uint32_t bytesPerSecond
        = static_cast<std::uint32_t>(static_cast<std::int16_t>(blockAlign)) * audio.samplesPerSec;
    if (pnDuration != nullptr) {
        *pnDuration = static_cast<std::int32_t>(milliseconds);
    }
    WaveFormat reported = audio;
    reported.blockAlign = blockAlign;
    reported.avgBytesPerSec = bytesPerSecond;
    ReportFormat(reported, pnChannels, pnBlockAlign, pnSamplesPerSec, pnBitsPerSample, pnAvgBytesPerSec);
    return true;
}

bool CSonarelCtrl::GetStreamInfo(short hStreamId, short* pnChannels, short* pnBlockAlign,
    std::int32_t* pnSamplesPerSec, short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec)
{
    const StreamRecord* stream = StreamFor(hStreamId);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    IFilterGraph& graph = *stream->graph;
    const char* rendererName
        = stream->deviceName.empty() ? DEFAULT_RENDERER_FILTER_NAME : RENDERER_FILTER_NAME;
    const std::shared_ptr<IFilter> renderer = graph.FindFilterByName(rendererName);
    if (!renderer) {
        RaiseError(hStreamId, 0, ERR_FIND_FILTER);
        return false;
    }
    bool hasPin = false;
    WaveFormat format;
    bool exactWaveFormat = false;
    const HResult status = graph.GetInputPinFormat(renderer, &hasPin, &format, &exactWaveFormat);
    if (status == E_NOT_FOUND_STATUS || !hasPin) {
        RaiseError(hStreamId, 0, ERR_GET_PIN);
        return false;
    }
    if (Failed(status)) {
        RaiseError(hStreamId, 0, ERR_GET_MEDIA_TYPE);
        return false;
    }
    // Only the plain 18-byte wave format is reported; an extended one gives false without an event.
    if (!exactWaveFormat) {
        return false;
    }
    ReportFormat(format, pnChannels, pnBlockAlign, pnSamplesPerSec, pnBitsPerSample, pnAvgBytesPerSec);
    return true;
}

} // namespace sonarel
