#include "control/SonarelCtrl.h"

#include "control/ControlErrors.h"
#include "control/DeviceName.h"
#include "control/TextConversion.h"
#include "control/UnitConversion.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

using namespace sonarel;

// Units of the DSP amplify stage per unit of amplification.
constexpr long AMPLIFY_SCALE = 10000;
constexpr short MAX_BAND_INDEX_SET = 1024;
constexpr std::uint32_t MAX_BAND_INDEX_GET = 8192;
constexpr long DSP_STAGE_AMPLIFY_INDEX = 0;
constexpr long DSP_STAGE_EQUALIZER_INDEX = 1;
constexpr long DSP_APPEND = -1;
constexpr long DSP_ALL_CHANNELS = 0;

// Only a regular file can be opened: a directory, or a pipe that would block the open, is not a file.
bool IsExistingFile(const char* path)
{
    struct stat attributes { };
    return ::stat(path, &attributes) == 0 && S_ISREG(attributes.st_mode);
}

// The DSP filter's stage at `index`; nullptr when it cannot be had.
std::shared_ptr<dsp::IDspStage> DspStage(dsp::IDspFilterControl& control, long index)
{
    std::shared_ptr<dsp::IDspStage> stage;
    if (Failed(control.GetStage(index, &stage))) {
        return nullptr;
    }
    return stage;
}

} // namespace

namespace sonarel {

std::unique_ptr<ISonarel> CreateSonarelWithPlatform(
    std::unique_ptr<IPlatform> platform, ISonarelEvents* events)
{
    if (!platform) {
        return nullptr;
    }
    return std::make_unique<CSonarelCtrl>(std::move(platform), events);
}

CSonarelCtrl::CSonarelCtrl(std::unique_ptr<IPlatform> platform, ISonarelEvents* events)
    : m_platform(std::move(platform))
    , m_events(events)
{
}

CSonarelCtrl::~CSonarelCtrl()
{
    for (StreamRecord& stream : m_streams) {
        KillTick(stream);
        if (stream.graph) {
            (void)stream.graph->Stop();
            (void)stream.graph->SetNotify({});
            stream.graph.reset();
        }
        stream.dspControl.reset();
        stream.dspModule.reset();
    }
    if (m_reapTimer != 0) {
        m_platform->EventLoop().KillTimer(m_reapTimer);
        m_reapTimer = 0;
    }
    for (const auto& graph : m_retiredGraphs) {
        (void)graph->SetNotify({});
    }
    m_retiredGraphs.clear();
}

void CSonarelCtrl::AboutBox()
{
}

// ---- Tick --------------------------------------------------------------------------------------

void CSonarelCtrl::StartTick(short id)
{
    StreamRecord& stream = Stream(id);
    // A tick left running by a stop that failed is replaced, never doubled.
    KillTick(stream);
    stream.tick = m_platform->EventLoop().StartTimer(STREAM_TICK_MS, [this, id] { OnTick(id); });
}

void CSonarelCtrl::KillTick(StreamRecord& stream)
{
    if (stream.tick != 0) {
        m_platform->EventLoop().KillTimer(stream.tick);
        stream.tick = 0;
    }
}

void CSonarelCtrl::OnTick(short id)
{
    StreamRecord& stream = Stream(id);
    if (stream.state != STATE_PLAYING) {
        return;
    }
    const std::uint64_t generation = stream.graphGeneration;

    short position = 0;
    if (GetStreamPosition(id, &position) && position != stream.lastPosition) {
        const short old = stream.lastPosition;
        stream.lastPosition = position;
        RaisePosChanged(id, old, position);
    }
    // A listener of the events above may have stopped, closed or reopened the stream.
    if (stream.state != STATE_PLAYING || !stream.graph || stream.graphGeneration != generation) {
        return;
    }

    const std::int32_t elapsed = GetElapsed(id);
    if (std::llabs(static_cast<long long>(elapsed) - stream.lastElapsed) >= 1000) {
        stream.lastElapsed = elapsed;
        if (m_events != nullptr) {
            m_events->OnElapsedChanged(id, elapsed);
        }
    }
}

// ---- Open and transport ------------------------------------------------------------------------

bool CSonarelCtrl::OpenStream(short hStreamId, const char* pszFileName, const char* pszDevName, short bPlay)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (pszFileName == nullptr) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_NULL_POINTER);
        return false;
    }

    // Tear down the previous content; a failing stop has reported itself and does not stop the open.
    (void)Stop(hStreamId);
    KillTick(stream);
    if (stream.graph) {
        while (const std::shared_ptr<IFilter> filter = stream.graph->FirstFilter()) {
            // A filter that cannot be removed would be found first again forever.
            if (Failed(stream.graph->RemoveFilter(filter))) {
                break;
            }
        }
        // Events still queued belong to the previous file: its completion must not end the next one.
        long stale = 0;
        while (stream.graph->GetEvent(&stale, nullptr)) { }
    }
    stream.dspControl.reset();
    stream.dspModule.reset();

    // The graph is created once and reused by every later open.
    if (!stream.graph) {
        std::unique_ptr<IFilterGraph> graph;
        if (Failed(m_platform->CreateGraph(&graph)) || !graph) {
            RaiseError(hStreamId, LRET_ARGUMENT, ERR_CREATE_INTERFACE);
            return false;
        }
        stream.graph = std::move(graph);
        stream.graphGeneration = m_nextGraphGeneration++;
    }

    if (!IsExistingFile(pszFileName)) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_FILE_NOT_EXIST);
        return false;
    }

    // The named device's renderer goes in before the file is rendered, so that rendering ends in it.
    const bool namedDevice = pszDevName != nullptr && *pszDevName != '\0';
    if (namedDevice) {
        std::shared_ptr<IFilter> renderer;
        const HResult found = FindAudioRenderer(*m_platform, pszDevName, &renderer);
        if (Failed(found) || !renderer || Failed(stream.graph->AddFilter(renderer, RENDERER_FILTER_NAME))) {
            RaiseError(hStreamId, LRET_ARGUMENT, ERR_ADD_RENDERER);
            return false;
        }
    }

    const HResult dspStatus = SetUpDsp(stream);
    if (Failed(dspStatus)) {
        RaiseError(hStreamId, dspStatus, ERR_ADD_DSP);
        return false;
    }

    const HResult rendered = stream.graph->RenderFile(pszFileName);
    if (Failed(rendered)) {
        RaiseError(hStreamId, rendered, ERR_RENDER_FILE);
        return false;
    }

    stream.deviceName = namedDevice ? TruncateUtf8(pszDevName, STREAM_DEVICE_NAME_MAX) : std::string();
    stream.fileName = TruncateUtf8(pszFileName, STREAM_FILE_NAME_MAX);
    stream.lastPosition = 0;
    stream.lastElapsed = 0;
    stream.state = STATE_CLOSED;
    // Whether the file plays is found out after this call: a stream opened without playing hears of
    // a file that does not play as well.
    (void)SetGraphNotify(hStreamId);

    if (bPlay != 0) {
        return Play(hStreamId);
    }
    SetState(hStreamId, STATE_PAUSED);
    return true;
}

HResult CSonarelCtrl::SetUpDsp(StreamRecord& stream)
{
    stream.dspModule = m_platform->LoadDspModule(DSP_MODULE_NAME);
    if (!stream.dspModule) {
        return E_FAIL_STATUS;
    }
    std::shared_ptr<IFilter> filter;
    std::shared_ptr<dsp::IDspFilterControl> control;
    HResult status = stream.dspModule->CreateFilter(&filter, &control);
    if (Failed(status)) {
        return status;
    }
    if (!filter || !control) {
        return E_FAIL_STATUS;
    }
    stream.dspControl = control;

    // The graph keeps the filter; the control keeps only the filter's control interface.
    status = stream.graph->AddFilter(std::move(filter), DSP_FILTER_NAME);
    if (Failed(status)) {
        return status;
    }

    (void)control->SetActive(1);
    (void)control->ResetStages();
    status = control->AddStage(DSP_APPEND, dsp::STAGE_AMPLIFY);
    if (Failed(status)) {
        return status;
    }
    status = control->AddStage(DSP_APPEND, dsp::STAGE_EQUALIZER);
    if (Failed(status)) {
        return status;
    }

    std::shared_ptr<dsp::IDspStage> stage;
    status = control->GetStage(DSP_STAGE_AMPLIFY_INDEX, &stage);
    if (Failed(status)) {
        return status;
    }
    if (!stage) {
        return E_FAIL_STATUS;
    }
    (void)stage->EnableStage(1);
    stage.reset();

    status = control->GetStage(DSP_STAGE_EQUALIZER_INDEX, &stage);
    if (Failed(status)) {
        return status;
    }
    if (!stage) {
        return E_FAIL_STATUS;
    }
    return stage->EnableStage(1);
}

bool CSonarelCtrl::Play(short hStreamId)
{
    StreamRecord* stream = StreamFor(hStreamId);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    if (stream->state == STATE_PLAYING) {
        return true;
    }
    const HResult notify = SetGraphNotify(hStreamId);
    if (Failed(notify)) {
        RaiseError(hStreamId, notify, ERR_SET_NOTIFY);
        return false;
    }
    const HResult run = stream->graph->Run();
    if (Failed(run)) {
        RaiseError(hStreamId, run, ERR_GRAPH_COMMAND);
        return false;
    }
    StartTick(hStreamId);
    SetState(hStreamId, STATE_PLAYING);
    return true;
}
bool CSonarelCtrl::Pause(short hStreamId)
{
    return Halt(hStreamId, &IFilterGraph::Pause, STATE_PAUSED);
}

bool CSonarelCtrl::Stop(short hStreamId)
{
    return Halt(hStreamId, &IFilterGraph::Stop, STATE_STOPPED);
}

bool CSonarelCtrl::Halt(short id, HResult (IFilterGraph::*command)(), std::int32_t state)
{
    StreamRecord* stream = StreamFor(id);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    const HResult status = (stream->graph.get()->*command)();
    if (Failed(status)) {
        RaiseError(id, status, ERR_GRAPH_COMMAND);
        return false;
    }
    KillTick(*stream);
    SetState(id, state);
    return true;
}

void CSonarelCtrl::CloseStream(short hStreamId)
{
    if (!IsValidId(hStreamId)) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_INVALID_ID);
        return;
    }
    (void)Stop(hStreamId);
    StreamRecord& stream = Stream(hStreamId);
    // A stop that failed leaves the tick running; a closed stream keeps none.
    KillTick(stream);
    ReleaseGraph(stream);
    stream.dspControl.reset();
    stream.dspModule.reset();
    SetState(hStreamId, STATE_CLOSED);
}

// ---- Rate, position, duration ------------------------------------------------------------------

bool CSonarelCtrl::SetPlaySpeed(short hStreamId, double dSpeed)
{
    IFilterGraph* graph = GraphFor(hStreamId);
    if (graph == nullptr) {
        return false;
    }
    // Written so that NaN is refused too.
    if (!(dSpeed > 0)) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_INVALID_PARAMETER);
        return false;
    }
    const HResult status = graph->SetRate(dSpeed);
    if (Failed(status)) {
        RaiseError(hStreamId, status, ERR_SET_SPEED);
        return false;
    }
    return true;
}

bool CSonarelCtrl::GetPlaySpeed(short hStreamId, double* pdSpeed)
{
    IFilterGraph* graph = GraphFor(hStreamId);
    if (graph == nullptr) {
        return false;
    }
    if (pdSpeed == nullptr) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_NULL_POINTER);
        return false;
    }
    const HResult status = graph->GetRate(pdSpeed);
    if (Failed(status)) {
        RaiseError(hStreamId, status, ERR_GET_SPEED);
        return false;
    }
    return true;
}

std::int32_t CSonarelCtrl::GetElapsed(short hStreamId)
{
    IFilterGraph* graph = GraphFor(hStreamId);
    RefTime position = 0;
    if (graph == nullptr || Failed(graph->GetCurrentPosition(&position))) {
        return 0;
    }
    return RefTimeToMs(position);
}

bool CSonarelCtrl::GetStreamDuration(short hStreamId, std::int32_t* pnDuration)
{
    IFilterGraph* graph = GraphFor(hStreamId, pnDuration != nullptr, ERR_NULL_POINTER);
    RefTime duration = 0;
    if (graph == nullptr || !Succeeded(hStreamId, graph->GetDuration(&duration), ERR_GET_DURATION)) {
        return false;
    }
    *pnDuration = RefTimeToMs(duration);
    return true;
}

bool CSonarelCtrl::GetStreamPosition(short hStreamId, short* pnPosition)
{
    IFilterGraph* graph = GraphFor(hStreamId, pnPosition != nullptr, ERR_NULL_POINTER);
    RefTime duration = 0;
    RefTime position = 0;
    if (graph == nullptr || !Succeeded(hStreamId, graph->GetDuration(&duration), ERR_GET_DURATION)
        || !Succeeded(hStreamId, graph->GetCurrentPosition(&position), ERR_GET_POSITION)) {
        return false;
    }
    *pnPosition = PositionPercent(position, duration);
    return true;
}

bool CSonarelCtrl::SetStreamPosition(short hStreamId, short nPosition)
{
    const bool valid = static_cast<unsigned short>(nPosition) <= 100;
    StreamRecord* stream = StreamFor(hStreamId, valid, ERR_INVALID_PARAMETER);
    if (stream == nullptr || !stream->graph) {
        return false;
    }
    IFilterGraph& graph = *stream->graph;
    // Seek while paused, then put the graph back as the stored state says; the state itself stays.
    const std::int32_t state = stream->state;
    (void)graph.Pause();
    RefTime duration = 0;
    if (!Succeeded(hStreamId, graph.GetDuration(&duration), ERR_GET_DURATION)) {
        return false;
    }
    const RefTime target = MulDiv(nPosition, duration, 100);
    const HResult moved = graph.SetPositions(target);
    if (state == STATE_STOPPED) {
        (void)graph.Stop();
    } else if (state == STATE_PLAYING) {
        (void)graph.Run();
    }
    return Succeeded(hStreamId, moved, ERR_SET_POSITION);
}

// ---- Volume and balance ------------------------------------------------------------------------

bool CSonarelCtrl::SetBalance(short hStreamId, short nBalance)
{
    // An out-of-range balance is refused without an event.
    IFilterGraph* graph = GraphFor(hStreamId, nBalance >= -10000 && nBalance <= 10000);
    return graph != nullptr && Succeeded(hStreamId, graph->PutBalance(nBalance), ERR_SET_BALANCE);
}

bool CSonarelCtrl::SetVolume(short hStreamId, short nVolume)
{
    const bool valid = static_cast<unsigned short>(nVolume) <= 100;
    IFilterGraph* graph = GraphFor(hStreamId, valid, ERR_INVALID_PARAMETER);
    return graph != nullptr && Succeeded(hStreamId, graph->PutVolume(VolumeToLevel(nVolume)), ERR_SET_VOLUME);
}

bool CSonarelCtrl::ApplySetting(short id, HResult status, const char* text)
{
    return Succeeded(id, status, status == dsp::E_INVALIDARG_STATUS ? ERR_INVALID_PARAMETER : text);
}

bool CSonarelCtrl::SetLoudnessGain(short hStreamId, double dGainDb)
{
    IFilterGraph* graph = GraphFor(hStreamId);
    return graph != nullptr && ApplySetting(hStreamId, graph->PutTrim(dGainDb), ERR_SET_LOUDNESS);
}

bool CSonarelCtrl::SetDuck(short hStreamId, double dAttenuationDb, std::int32_t nGlideMs)
{
    IFilterGraph* graph = GraphFor(hStreamId);
    if (graph == nullptr) {
        return false;
    }
    if (nGlideMs < 0) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    return ApplySetting(
        hStreamId, graph->PutDuck(dAttenuationDb, static_cast<unsigned>(nGlideMs)), ERR_SET_DUCK);
}

bool CSonarelCtrl::GetBalance(short hStreamId, short* pnBalance)
{
    IFilterGraph* graph = GraphFor(hStreamId, pnBalance != nullptr, ERR_NULL_POINTER);
    long balance = 0;
    if (graph == nullptr || !Succeeded(hStreamId, graph->GetBalance(&balance), ERR_GET_BALANCE)) {
        return false;
    }
    *pnBalance = static_cast<short>(balance);
    return true;
}

bool CSonarelCtrl::GetVolume(short hStreamId, short* pnVolume)
{
    IFilterGraph* graph = GraphFor(hStreamId, pnVolume != nullptr, ERR_NULL_POINTER);
    long level = 0;
    if (graph == nullptr || !Succeeded(hStreamId, graph->GetVolume(&level), ERR_GET_VOLUME)) {
        return false;
    }
    *pnVolume = LevelToVolume(level);
    return true;
}

// ---- Amplification and equaliser ---------------------------------------------------------------
// A stream without a DSP filter refuses these without an event; a getter whose stage is missing
// reads the neutral value.

bool CSonarelCtrl::SetAudioAmplify(short hStreamId, float fAmplify)
{
    // Written so that NaN is refused too.
    const bool valid = fAmplify >= 1.0F && fAmplify <= 10.0F;
    const StreamRecord* stream = StreamFor(hStreamId, valid, ERR_INVALID_PARAMETER);
    if (stream == nullptr || !stream->dspControl) {
        return false;
    }
    const std::shared_ptr<dsp::IDspStage> stage = DspStage(*stream->dspControl, DSP_STAGE_AMPLIFY_INDEX);
    if (!stage) {
        RaiseError(hStreamId, 0, ERR_GET_AMPLIFY);
        return false;
    }
    const auto value = static_cast<long>(fAmplify * static_cast<float>(AMPLIFY_SCALE));
    return Succeeded(hStreamId, stage->SetAmplification(DSP_ALL_CHANNELS, value), ERR_SET_AMPLIFY);
}

bool CSonarelCtrl::GetAudioAmplify(short hStreamId, float* pfAmplify)
{
    const StreamRecord* stream = StreamFor(hStreamId, pfAmplify != nullptr, ERR_INVALID_PARAMETER);
    if (stream == nullptr || !stream->dspControl) {
        return false;
    }
    long value = AMPLIFY_SCALE;
    if (const std::shared_ptr<dsp::IDspStage> stage
        = DspStage(*stream->dspControl, DSP_STAGE_AMPLIFY_INDEX)) {
        (void)stage->GetAmplification(DSP_ALL_CHANNELS, &value);
    }
    *pfAmplify = static_cast<float>(value) / static_cast<float>(AMPLIFY_SCALE);
    return true;
}

bool CSonarelCtrl::SetAudioBand(short hStreamId, std::int32_t nMinIndex, std::int32_t nMaxIndex, short nBand)
{
    const bool valid = 0 <= nMinIndex && nMinIndex <= nMaxIndex && nMaxIndex <= MAX_BAND_INDEX_SET;
    const StreamRecord* stream = StreamFor(hStreamId, valid, ERR_INVALID_PARAMETER);
    if (stream == nullptr || !stream->dspControl) {
        return false;
    }
    const std::shared_ptr<dsp::IDspStage> stage = DspStage(*stream->dspControl, DSP_STAGE_EQUALIZER_INDEX);
    if (!stage) {
        RaiseError(hStreamId, 0, ERR_GET_EQUALIZER);
        return false;
    }
    // Every band is tried; the last one's status decides.
    HResult status = S_OK_STATUS;
    for (std::int32_t band = nMinIndex; band < nMaxIndex; ++band) {
        status = stage->SetBandGain(DSP_ALL_CHANNELS, band, nBand);
    }
    return Succeeded(hStreamId, status, ERR_SET_EQUALIZER);
}

bool CSonarelCtrl::GetAudioBand(short hStreamId, std::int32_t nIndex, short* pnBand)
{
    // Read unsigned, so that every negative index is refused as well.
    const bool valid = static_cast<std::uint32_t>(nIndex) <= MAX_BAND_INDEX_GET && pnBand != nullptr;
    const StreamRecord* stream = StreamFor(hStreamId, valid, ERR_INVALID_PARAMETER);
    if (stream == nullptr || !stream->dspControl) {
        return false;
    }
    std::int8_t value = 0;
    if (const std::shared_ptr<dsp::IDspStage> stage
        = DspStage(*stream->dspControl, DSP_STAGE_EQUALIZER_INDEX)) {
        (void)stage->GetBandGain(DSP_ALL_CHANNELS, nIndex, &value);
    }
    *pnBand = value;
    return true;
}

} // namespace sonarel
