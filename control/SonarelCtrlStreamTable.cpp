// The control's table of eight streams: ids, the state each stream reports, the events raised for
// them, and the checks that every per-stream call begins with.

#include "control/ControlErrors.h"
#include "control/SonarelCtrl.h"
#include "control/TextConversion.h"

namespace sonarel {

bool CSonarelCtrl::IsValidId(short id)
{
    return static_cast<unsigned short>(id) < static_cast<unsigned short>(STREAM_COUNT);
}

bool CSonarelCtrl::CheckId(short id)
{
    if (IsValidId(id)) {
        return true;
    }
    RaiseError(NO_STREAM, 0, ERR_INVALID_ID);
    return false;
}

StreamRecord& CSonarelCtrl::Stream(short id)
{
    return m_streams[static_cast<std::size_t>(id)];
}

StreamRecord* CSonarelCtrl::StreamFor(short id, bool valid, const char* refusal)
{
    if (!CheckId(id)) {
        return nullptr;
    }
    if (!valid) {
        if (refusal != nullptr) {
            RaiseError(id, 0, refusal);
        }
        return nullptr;
    }
    return &Stream(id);
}

IFilterGraph* CSonarelCtrl::GraphFor(short id, bool valid, const char* refusal)
{
    StreamRecord* stream = StreamFor(id, valid, refusal);
    return stream != nullptr ? stream->graph.get() : nullptr;
}

bool CSonarelCtrl::Succeeded(short id, HResult status, const char* text)
{
    if (Failed(status)) {
        RaiseError(id, 0, text);
        return false;
    }
    return true;
}

void CSonarelCtrl::SetState(short id, std::int32_t state)
{
    StreamRecord& stream = Stream(id);
    const std::int32_t old = stream.state;
    if (old == state) {
        return;
    }
    stream.state = state;
    if (m_events != nullptr) {
        m_events->OnStateChanged(id, static_cast<short>(old), static_cast<short>(state));
    }
}

void CSonarelCtrl::RaiseError(short id, std::int32_t lRet, const char* text)
{
    if (m_events != nullptr) {
        m_events->OnError(id, lRet, text);
    }
}

void CSonarelCtrl::RaisePosChanged(short id, short oldPosition, short newPosition)
{
    if (m_events != nullptr) {
        m_events->OnPosChanged(id, oldPosition, newPosition);
    }
}

bool CSonarelCtrl::GetStreamState(short hStreamId, short* pnState)
{
    const StreamRecord* stream = StreamFor(hStreamId, pnState != nullptr, ERR_NULL_POINTER);
    if (stream == nullptr) {
        return false;
    }
    *pnState = static_cast<short>(stream->state);
    return true;
}

bool CSonarelCtrl::GetStreamAudioDev(short hStreamId, char16_t* pszDevName, short nDevNameLen)
{
    const StreamRecord* stream = StreamFor(hStreamId, pszDevName != nullptr, ERR_NULL_POINTER);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    CopyToWideBuffer(Utf8ToUtf16(stream->deviceName), pszDevName, nDevNameLen);
    return true;
}

bool CSonarelCtrl::GetStreamFile(short hStreamId, char16_t* pszFileName, short nNameLen)
{
    const StreamRecord* stream = StreamFor(hStreamId);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    if (pszFileName == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    CopyToWideBuffer(Utf8ToUtf16(stream->fileName), pszFileName, nNameLen);
    return true;
}

} // namespace sonarel
