#include "control/SonarelCtrl.h"

#include "control/DeviceName.h"
#include "control/TextConversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace {

using namespace sonarel;

// The control's error texts, sent exactly as written.
constexpr const char* ERR_INVALID_ID = "The Stream ID is invalid";
constexpr const char* ERR_NULL_POINTER = "Null Pointer";
constexpr const char* ERR_INVALID_PARAMETER = "The parameter is invalid";
constexpr const char* ERR_CREATE_INTERFACE = "Create interface failed";
constexpr const char* ERR_FILE_NOT_EXIST = "The file is not exist";
constexpr const char* ERR_ADD_RENDERER = "Add audio render filter failed";
constexpr const char* ERR_ADD_DSP = "Add audio process filter failed";
constexpr const char* ERR_RENDER_FILE = "Render file failed";
constexpr const char* ERR_SET_NOTIFY = "Set event notify window failed";
constexpr const char* ERR_GRAPH_COMMAND = "Can't exec graph command";
constexpr const char* ERR_SET_SPEED = "Set play spped failed";
constexpr const char* ERR_GET_SPEED = "Get play speed failed";
constexpr const char* ERR_GET_DURATION = "Get stream duration failed";
constexpr const char* ERR_GET_POSITION = "Get stream position failed";
constexpr const char* ERR_SET_POSITION = "Set stream position failed";
constexpr const char* ERR_SET_BALANCE = "Set balance failed";
constexpr const char* ERR_SET_VOLUME = "Set volume failed";
constexpr const char* ERR_SET_LOUDNESS = "Set loudness gain failed";
constexpr const char* ERR_SET_DUCK = "Set duck failed";
constexpr const char* ERR_GET_BALANCE = "Get balance failed";
constexpr const char* ERR_GET_VOLUME = "Get volume failed";
constexpr const char* ERR_GET_AMPLIFY = "Get audio amplify failed";
constexpr const char* ERR_SET_AMPLIFY = "Set audio amplify failed";
constexpr const char* ERR_GET_EQUALIZER = "Get audio equalizer failed";
constexpr const char* ERR_SET_EQUALIZER = "Set audio equalizer failed";
constexpr const char* ERR_FIND_FILTER = "Find filter failed";
constexpr const char* ERR_GET_PIN = "Get filter pin failed";
constexpr const char* ERR_GET_MEDIA_TYPE = "Get media type failed";
constexpr const char* ERR_CREATE_ENUMERATOR = "Create enumerator failed";
constexpr const char* ERR_MEDIA_DETECT = "Media detect failed";
constexpr const char* ERR_MEDIA_INFORMATION = "Get media information failed";
constexpr const char* ERR_DEVICE_LOST = "Audio device lost";

constexpr short NO_STREAM = -1;
constexpr std::int32_t LRET_ARGUMENT = -1;

// Reference time per millisecond.
constexpr RefTime REF_PER_MS = 10000;
// Units of the DSP amplify stage per unit of amplification.
constexpr long AMPLIFY_SCALE = 10000;
constexpr short MAX_BAND_INDEX_SET = 1024;
constexpr std::uint32_t MAX_BAND_INDEX_GET = 8192;
constexpr long DSP_STAGE_AMPLIFY_INDEX = 0;
constexpr long DSP_STAGE_EQUALIZER_INDEX = 1;
constexpr long DSP_APPEND = -1;
constexpr long DSP_ALL_CHANNELS = 0;
// The longest that MediaDetect holds its caller (the user interface) for a file.
constexpr std::chrono::milliseconds MEDIA_DETECT_BUDGET { 40 };
// A released graph still delivering its notification is destroyed by this timer afterwards.
constexpr unsigned int REAP_PERIOD_MS = 10;

bool IsValidId(short id)
{
    return static_cast<unsigned short>(id) < static_cast<unsigned short>(STREAM_COUNT);
}

// a × b / c in 64-bit integer arithmetic, truncated; the rare product that does not fit is computed
// in extended floating point instead of overflowing.
std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(a, b, &product)) {
        return product / c;
    }
    const long double exact
        = static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
    if (exact >= 0x1p63L) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (exact < -0x1p63L) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(exact);
}

// Volume 0..100 to hundredths of a decibel: linear in decibels over 40 dB, so 0 is -40 dB.
long VolumeToLevel(short volume)
{
    return -40L * (100L - volume);
}

// The inverse, truncated toward zero; levels below -4000 set by other means read below 0
// (-10000 reads -150).
short LevelToVolume(long level)
{
    const auto clamped = std::clamp<std::int64_t>(
        level, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    return static_cast<short>(100 + clamped * 100 / 4000);
}

// Percent of the duration, truncated; a duration of 0 (nothing known yet) reports 0 percent.
short PositionPercent(RefTime position, RefTime duration)
{
    if (duration == 0) {
        return 0;
    }
    return static_cast<short>(MulDiv(position, 100, duration));
}

std::int32_t RefTimeToMs(RefTime time)
{
    return static_cast<std::int32_t>(time / REF_PER_MS);
}

// Only a regular file can be opened: a directory, or a pipe that would block the open, is not a file.
bool IsExistingFile(const char* path)
{
    struct stat attributes { };
    return ::stat(path, &attributes) == 0 && S_ISREG(attributes.st_mode);
}

// Keeps a graph marked as delivering its notification for the guard's lifetime.
class DispatchGuard {
public:
    DispatchGuard(std::vector<const IFilterGraph*>& dispatching, const IFilterGraph* graph)
        : dispatching_(dispatching)
    {
        dispatching_.push_back(graph);
    }
    ~DispatchGuard() { dispatching_.pop_back(); }
    DispatchGuard(const DispatchGuard&) = delete;
    DispatchGuard& operator=(const DispatchGuard&) = delete;

private:
    std::vector<const IFilterGraph*>& dispatching_;
};

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
    : platform_(std::move(platform))
    , events_(events)
{
}

CSonarelCtrl::~CSonarelCtrl()
{
    for (StreamRecord& stream : streams_) {
        KillTick(stream);
        if (stream.graph) {
            (void)stream.graph->Stop();
            (void)stream.graph->SetNotify({});
            stream.graph.reset();
        }
        stream.dspControl.reset();
        stream.dspModule.reset();
    }
    if (reapTimer_ != 0) {
        platform_->EventLoop().KillTimer(reapTimer_);
        reapTimer_ = 0;
    }
    for (const auto& graph : retiredGraphs_) {
        (void)graph->SetNotify({});
    }
    retiredGraphs_.clear();
}

// ---- Stream table, state, events -------------------------------------------------------------

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
    return streams_[static_cast<std::size_t>(id)];
}

void CSonarelCtrl::SetState(short id, std::int32_t state)
{
    StreamRecord& stream = Stream(id);
    const std::int32_t old = stream.state;
    if (old == state) {
        return;
    }
    stream.state = state;
    if (events_ != nullptr) {
        events_->OnStateChanged(id, static_cast<short>(old), static_cast<short>(state));
    }
}

void CSonarelCtrl::RaiseError(short id, std::int32_t lRet, const char* text)
{
    if (events_ != nullptr) {
        events_->OnError(id, lRet, text);
    }
}

void CSonarelCtrl::RaisePosChanged(short id, short oldPosition, short newPosition)
{
    if (events_ != nullptr) {
        events_->OnPosChanged(id, oldPosition, newPosition);
    }
}

bool CSonarelCtrl::GetStreamState(short hStreamId, short* pnState)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pnState == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    *pnState = static_cast<short>(Stream(hStreamId).state);
    return true;
}

bool CSonarelCtrl::GetStreamAudioDev(short hStreamId, char16_t* pszDevName, short nDevNameLen)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pszDevName == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    const StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    CopyToWideBuffer(Utf8ToUtf16(stream.deviceName), pszDevName, nDevNameLen);
    return true;
}

bool CSonarelCtrl::GetStreamFile(short hStreamId, char16_t* pszFileName, short nNameLen)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    const StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (pszFileName == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    CopyToWideBuffer(Utf8ToUtf16(stream.fileName), pszFileName, nNameLen);
    return true;
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
    stream.tick = platform_->EventLoop().StartTimer(STREAM_TICK_MS, [this, id] { OnTick(id); });
}

void CSonarelCtrl::KillTick(StreamRecord& stream)
{
    if (stream.tick != 0) {
        platform_->EventLoop().KillTimer(stream.tick);
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
        if (events_ != nullptr) {
            events_->OnElapsedChanged(id, elapsed);
        }
    }
}

// ---- Graph events ------------------------------------------------------------------------------

void CSonarelCtrl::OnGraphNotify(short id, std::uint64_t generation)
{
    StreamRecord& stream = Stream(id);
    IFilterGraph* const graph = stream.graph.get();
    // A notification of a graph that was released or replaced since is stale.
    if (graph == nullptr || stream.graphGeneration != generation) {
        return;
    }
    const DispatchGuard guard(dispatching_, graph);
    long code = 0;
    long param = 0;
    while (stream.graph.get() == graph && stream.graphGeneration == generation
        && graph->GetEvent(&code, &param)) {
        // After a failure the graph has stopped itself; without the stop here the stream would read
        // "playing" while silent, and a host that checks the state would never open it again.
        switch (code) {
        case EC_COMPLETE:
            CompleteStream(id);
            break;
        case EC_ERRORABORT:
            (void)Stop(id);
            break;
        case EC_DEVICE_LOST:
            RaiseError(id, 0, ERR_DEVICE_LOST);
            (void)Stop(id);
            break;
        case EC_RENDER_FAILED:
            // The open returned before the file was found not to play: the host hears it now.
            RaiseError(id, static_cast<std::int32_t>(param), ERR_RENDER_FILE);
            (void)Stop(id);
            break;
        case EC_COMMAND_FAILED:
            RaiseError(id, static_cast<std::int32_t>(param), ERR_GRAPH_COMMAND);
            (void)Stop(id);
            break;
        default:
            break;
        }
    }
}

void CSonarelCtrl::CompleteStream(short id)
{
    (void)Stop(id);
    (void)SetStreamPosition(id, 0);
    StreamRecord& stream = Stream(id);
    const short old = stream.lastPosition;
    stream.lastPosition = 0;
    stream.lastElapsed = 0;
    RaisePosChanged(id, old, 0);
    if (events_ != nullptr) {
        events_->OnComplete(id);
    }
}

bool CSonarelCtrl::IsDispatching(const IFilterGraph* graph) const
{
    return std::find(dispatching_.begin(), dispatching_.end(), graph) != dispatching_.end();
}

void CSonarelCtrl::ReleaseGraph(StreamRecord& stream)
{
    std::unique_ptr<IFilterGraph> graph = std::move(stream.graph);
    if (!graph) {
        return;
    }
    if (IsDispatching(graph.get())) {
        // Destroying it now would pull the graph out from under its own running notification.
        retiredGraphs_.push_back(std::move(graph));
        if (reapTimer_ == 0) {
            reapTimer_ = platform_->EventLoop().StartTimer(REAP_PERIOD_MS, [this] { ReapRetiredGraphs(); });
        }
        return;
    }
    (void)graph->SetNotify({});
}

void CSonarelCtrl::ReapRetiredGraphs()
{
    std::vector<std::unique_ptr<IFilterGraph>> done;
    for (auto it = retiredGraphs_.begin(); it != retiredGraphs_.end();) {
        if (IsDispatching(it->get())) {
            ++it;
        } else {
            done.push_back(std::move(*it));
            it = retiredGraphs_.erase(it);
        }
    }
    if (retiredGraphs_.empty() && reapTimer_ != 0) {
        platform_->EventLoop().KillTimer(reapTimer_);
        reapTimer_ = 0;
    }
    for (const auto& graph : done) {
        (void)graph->SetNotify({});
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
        if (Failed(platform_->CreateGraph(&graph)) || !graph) {
            RaiseError(hStreamId, LRET_ARGUMENT, ERR_CREATE_INTERFACE);
            return false;
        }
        stream.graph = std::move(graph);
        stream.graphGeneration = nextGraphGeneration_++;
    }

    if (!IsExistingFile(pszFileName)) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_FILE_NOT_EXIST);
        return false;
    }

    // The named device's renderer goes in before the file is rendered, so that rendering ends in it.
    const bool namedDevice = pszDevName != nullptr && *pszDevName != '\0';
    if (namedDevice) {
        std::shared_ptr<IFilter> renderer;
        const HResult found = FindAudioRenderer(*platform_, pszDevName, &renderer);
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
    stream.dspModule = platform_->LoadDspModule(DSP_MODULE_NAME);
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
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (stream.state == STATE_PLAYING) {
        return true;
    }
    const HResult notify = SetGraphNotify(hStreamId);
    if (Failed(notify)) {
        RaiseError(hStreamId, notify, ERR_SET_NOTIFY);
        return false;
    }
    const HResult run = stream.graph->Run();
    if (Failed(run)) {
        RaiseError(hStreamId, run, ERR_GRAPH_COMMAND);
        return false;
    }
    StartTick(hStreamId);
    SetState(hStreamId, STATE_PLAYING);
    return true;
}

HResult CSonarelCtrl::SetGraphNotify(short id)
{
    StreamRecord& stream = Stream(id);
    // Inside the graph's own notification the same notification is already set; replacing it there
    // would destroy the function that is running.
    if (IsDispatching(stream.graph.get())) {
        return S_OK_STATUS;
    }
    const std::uint64_t generation = stream.graphGeneration;
    return stream.graph->SetNotify([this, id, generation] { OnGraphNotify(id, generation); });
}

bool CSonarelCtrl::Pause(short hStreamId)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    const HResult paused = stream.graph->Pause();
    if (Failed(paused)) {
        RaiseError(hStreamId, paused, ERR_GRAPH_COMMAND);
        return false;
    }
    KillTick(stream);
    SetState(hStreamId, STATE_PAUSED);
    return true;
}

bool CSonarelCtrl::Stop(short hStreamId)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    const HResult stopped = stream.graph->Stop();
    if (Failed(stopped)) {
        RaiseError(hStreamId, stopped, ERR_GRAPH_COMMAND);
        return false;
    }
    KillTick(stream);
    SetState(hStreamId, STATE_STOPPED);
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
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    // Written so that NaN is refused too.
    if (!(dSpeed > 0)) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_INVALID_PARAMETER);
        return false;
    }
    const HResult status = stream.graph->SetRate(dSpeed);
    if (Failed(status)) {
        RaiseError(hStreamId, status, ERR_SET_SPEED);
        return false;
    }
    return true;
}

bool CSonarelCtrl::GetPlaySpeed(short hStreamId, double* pdSpeed)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (pdSpeed == nullptr) {
        RaiseError(hStreamId, LRET_ARGUMENT, ERR_NULL_POINTER);
        return false;
    }
    const HResult status = stream.graph->GetRate(pdSpeed);
    if (Failed(status)) {
        RaiseError(hStreamId, status, ERR_GET_SPEED);
        return false;
    }
    return true;
}

std::int32_t CSonarelCtrl::GetElapsed(short hStreamId)
{
    if (!CheckId(hStreamId)) {
        return 0;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return 0;
    }
    RefTime position = 0;
    if (Failed(stream.graph->GetCurrentPosition(&position))) {
        return 0;
    }
    return RefTimeToMs(position);
}

bool CSonarelCtrl::GetStreamDuration(short hStreamId, std::int32_t* pnDuration)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pnDuration == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    RefTime duration = 0;
    if (Failed(stream.graph->GetDuration(&duration))) {
        RaiseError(hStreamId, 0, ERR_GET_DURATION);
        return false;
    }
    *pnDuration = RefTimeToMs(duration);
    return true;
}

bool CSonarelCtrl::GetStreamPosition(short hStreamId, short* pnPosition)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pnPosition == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    RefTime duration = 0;
    if (Failed(stream.graph->GetDuration(&duration))) {
        RaiseError(hStreamId, 0, ERR_GET_DURATION);
        return false;
    }
    RefTime position = 0;
    if (Failed(stream.graph->GetCurrentPosition(&position))) {
        RaiseError(hStreamId, 0, ERR_GET_POSITION);
        return false;
    }
    *pnPosition = PositionPercent(position, duration);
    return true;
}

bool CSonarelCtrl::SetStreamPosition(short hStreamId, short nPosition)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (static_cast<unsigned short>(nPosition) > 100) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    // Seek while paused, then put the graph back as the stored state says; the state itself stays.
    const std::int32_t state = stream.state;
    (void)stream.graph->Pause();
    RefTime duration = 0;
    if (Failed(stream.graph->GetDuration(&duration))) {
        RaiseError(hStreamId, 0, ERR_GET_DURATION);
        return false;
    }
    const RefTime target = MulDiv(nPosition, duration, 100);
    const HResult moved = stream.graph->SetPositions(target);
    if (state == STATE_STOPPED) {
        (void)stream.graph->Stop();
    } else if (state == STATE_PLAYING) {
        (void)stream.graph->Run();
    }
    if (Failed(moved)) {
        RaiseError(hStreamId, 0, ERR_SET_POSITION);
        return false;
    }
    return true;
}

// ---- Volume and balance ------------------------------------------------------------------------

bool CSonarelCtrl::SetBalance(short hStreamId, short nBalance)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (nBalance < -10000 || nBalance > 10000) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (Failed(stream.graph->PutBalance(nBalance))) {
        RaiseError(hStreamId, 0, ERR_SET_BALANCE);
        return false;
    }
    return true;
}

bool CSonarelCtrl::SetVolume(short hStreamId, short nVolume)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (static_cast<unsigned short>(nVolume) > 100) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (Failed(stream.graph->PutVolume(VolumeToLevel(nVolume)))) {
        RaiseError(hStreamId, 0, ERR_SET_VOLUME);
        return false;
    }
    return true;
}

bool CSonarelCtrl::SetLoudnessGain(short hStreamId, double dGainDb)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    const HResult status = stream.graph->PutTrim(dGainDb);
    if (Failed(status)) {
        RaiseError(
            hStreamId, 0, status == dsp::E_INVALIDARG_STATUS ? ERR_INVALID_PARAMETER : ERR_SET_LOUDNESS);
        return false;
    }
    return true;
}

bool CSonarelCtrl::SetDuck(short hStreamId, double dAttenuationDb, std::int32_t nGlideMs)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    if (nGlideMs < 0) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    const HResult status = stream.graph->PutDuck(dAttenuationDb, static_cast<unsigned>(nGlideMs));
    if (Failed(status)) {
        RaiseError(hStreamId, 0, status == dsp::E_INVALIDARG_STATUS ? ERR_INVALID_PARAMETER : ERR_SET_DUCK);
        return false;
    }
    return true;
}

bool CSonarelCtrl::GetBalance(short hStreamId, short* pnBalance)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pnBalance == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    long balance = 0;
    if (Failed(stream.graph->GetBalance(&balance))) {
        RaiseError(hStreamId, 0, ERR_GET_BALANCE);
        return false;
    }
    *pnBalance = static_cast<short>(balance);
    return true;
}

bool CSonarelCtrl::GetVolume(short hStreamId, short* pnVolume)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pnVolume == nullptr) {
        RaiseError(hStreamId, 0, ERR_NULL_POINTER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    long level = 0;
    if (Failed(stream.graph->GetVolume(&level))) {
        RaiseError(hStreamId, 0, ERR_GET_VOLUME);
        return false;
    }
    *pnVolume = LevelToVolume(level);
    return true;
}

// ---- Amplification and equaliser ---------------------------------------------------------------

bool CSonarelCtrl::SetAudioAmplify(short hStreamId, float fAmplify)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    // Written so that NaN is refused too.
    if (!(fAmplify >= 1.0F && fAmplify <= 10.0F)) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.dspControl) {
        return false;
    }
    std::shared_ptr<dsp::IDspStage> stage;
    if (Failed(stream.dspControl->GetStage(DSP_STAGE_AMPLIFY_INDEX, &stage)) || !stage) {
        RaiseError(hStreamId, 0, ERR_GET_AMPLIFY);
        return false;
    }
    const auto value = static_cast<long>(fAmplify * static_cast<float>(AMPLIFY_SCALE));
    if (Failed(stage->SetAmplification(DSP_ALL_CHANNELS, value))) {
        RaiseError(hStreamId, 0, ERR_SET_AMPLIFY);
        return false;
    }
    return true;
}

bool CSonarelCtrl::GetAudioAmplify(short hStreamId, float* pfAmplify)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (pfAmplify == nullptr) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.dspControl) {
        return false;
    }
    std::shared_ptr<dsp::IDspStage> stage;
    if (Failed(stream.dspControl->GetStage(DSP_STAGE_AMPLIFY_INDEX, &stage)) || !stage) {
        *pfAmplify = 1.0F;
        return true;
    }
    long value = AMPLIFY_SCALE;
    (void)stage->GetAmplification(DSP_ALL_CHANNELS, &value);
    *pfAmplify = static_cast<float>(value) / static_cast<float>(AMPLIFY_SCALE);
    return true;
}

bool CSonarelCtrl::SetAudioBand(short hStreamId, std::int32_t nMinIndex, std::int32_t nMaxIndex, short nBand)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    if (!(0 <= nMinIndex && nMinIndex <= nMaxIndex && nMaxIndex <= MAX_BAND_INDEX_SET)) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.dspControl) {
        return false;
    }
    std::shared_ptr<dsp::IDspStage> stage;
    HResult status = stream.dspControl->GetStage(DSP_STAGE_EQUALIZER_INDEX, &stage);
    if (Failed(status) || !stage) {
        RaiseError(hStreamId, 0, ERR_GET_EQUALIZER);
        return false;
    }
    // Every band is tried; the last one's status decides.
    for (std::int32_t band = nMinIndex; band < nMaxIndex; ++band) {
        status = stage->SetBandGain(DSP_ALL_CHANNELS, band, nBand);
    }
    if (Failed(status)) {
        RaiseError(hStreamId, 0, ERR_SET_EQUALIZER);
        return false;
    }
    return true;
}

bool CSonarelCtrl::GetAudioBand(short hStreamId, std::int32_t nIndex, short* pnBand)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    // Read unsigned, so that every negative index is refused as well.
    if (static_cast<std::uint32_t>(nIndex) > MAX_BAND_INDEX_GET || pnBand == nullptr) {
        RaiseError(hStreamId, 0, ERR_INVALID_PARAMETER);
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.dspControl) {
        return false;
    }
    std::shared_ptr<dsp::IDspStage> stage;
    if (Failed(stream.dspControl->GetStage(DSP_STAGE_EQUALIZER_INDEX, &stage)) || !stage) {
        *pnBand = 0;
        return true;
    }
    std::int8_t value = 0;
    (void)stage->GetBandGain(DSP_ALL_CHANNELS, nIndex, &value);
    *pnBand = value;
    return true;
}

// ---- Devices, media detection, stream format ---------------------------------------------------

short CSonarelCtrl::GetAudioDeviceNums()
{
    int count = 0;
    const HResult status = CountAudioDevices(*platform_, &count);
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
    const HResult status = AudioDeviceName(*platform_, iIndex, &name);
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
    const HResult status = AudioDeviceExists(*platform_, pszDevName, &exists);
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
    std::unique_ptr<IMediaDetector> detector = platform_->CreateMediaDetector();
    if (!detector) {
        RaiseError(NO_STREAM, 0, ERR_MEDIA_DETECT);
        return false;
    }
    const std::optional<MediaDetection> measured = budget
        ? detections_.Detect(std::move(detector), pszFileName, *budget)
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
    if (pnChannels != nullptr) {
        *pnChannels = static_cast<short>(audio.channels);
    }
    if (pnBlockAlign != nullptr) {
        *pnBlockAlign = static_cast<short>(blockAlign);
    }
    if (pnSamplesPerSec != nullptr) {
        *pnSamplesPerSec = static_cast<std::int32_t>(audio.samplesPerSec);
    }
    if (pnBitsPerSample != nullptr) {
        *pnBitsPerSample = static_cast<short>(audio.bitsPerSample);
    }
    if (pnAvgBytesPerSec != nullptr) {
        *pnAvgBytesPerSec = static_cast<std::int32_t>(bytesPerSecond);
    }
    return true;
}

bool CSonarelCtrl::GetStreamInfo(short hStreamId, short* pnChannels, short* pnBlockAlign,
    std::int32_t* pnSamplesPerSec, short* pnBitsPerSample, std::int32_t* pnAvgBytesPerSec)
{
    if (!CheckId(hStreamId)) {
        return false;
    }
    StreamRecord& stream = Stream(hStreamId);
    if (!stream.graph) {
        return false;
    }
    const char* rendererName
        = stream.deviceName.empty() ? DEFAULT_RENDERER_FILTER_NAME : RENDERER_FILTER_NAME;
    const std::shared_ptr<IFilter> renderer = stream.graph->FindFilterByName(rendererName);
    if (!renderer) {
        RaiseError(hStreamId, 0, ERR_FIND_FILTER);
        return false;
    }
    bool hasPin = false;
    WaveFormat format;
    bool exactWaveFormat = false;
    const HResult status = stream.graph->GetInputPinFormat(renderer, &hasPin, &format, &exactWaveFormat);
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
    return true;
}

} // namespace sonarel
