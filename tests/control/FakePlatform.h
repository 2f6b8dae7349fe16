#pragma once

// A scriptable platform for the control's tests: graphs that record their calls and answer what
// the test sets, an event loop whose timers the test fires by hand, devices, a media detector and
// a DSP module. Every fake writes into one shared call log, so that tests can check the order of
// calls across objects.

#include "control/Sonarel.h"
#include "control/platform/Platform.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonarel::test {

using CallLog = std::vector<std::string>;

class FakeFilter : public IFilter {
public:
    explicit FakeFilter(std::string kind)
        : kind(std::move(kind))
    {
    }
    std::string kind;
};

class FakeGraph : public IFilterGraph {
public:
    enum class Transport { Stopped, Paused, Running };

    FakeGraph(std::shared_ptr<CallLog> log, std::shared_ptr<bool> alive)
        : log_(std::move(log))
        , alive_(std::move(alive))
    {
    }
    ~FakeGraph() override
    {
        *alive_ = false;
        log_->push_back("graph destroyed");
    }

    // Scripted results.
    HResult addFilterResult = S_OK_STATUS;
    HResult removeFilterResult = S_OK_STATUS;
    HResult renderResult = S_OK_STATUS;
    HResult runResult = S_OK_STATUS;
    HResult pauseResult = S_OK_STATUS;
    HResult stopResult = S_OK_STATUS;
    HResult durationResult = S_OK_STATUS;
    HResult positionResult = S_OK_STATUS;
    HResult setPositionsResult = S_OK_STATUS;
    HResult setRateResult = S_OK_STATUS;
    HResult getRateResult = S_OK_STATUS;
    HResult volumeResult = S_OK_STATUS;
    HResult balanceResult = S_OK_STATUS;
    HResult setNotifyResult = S_OK_STATUS;
    HResult pinFormatResult = S_OK_STATUS;
    bool hasPin = true;
    bool exactWaveFormat = true;
    WaveFormat pinFormat;

    // What the graph holds.
    RefTime duration = 0;
    RefTime position = 0;
    double rate = 1.0;
    long volume = 0;
    long balance = 0;
    Transport transport = Transport::Stopped;
    std::vector<std::pair<std::string, std::shared_ptr<IFilter>>> filters;
    std::deque<long> events;
    std::deque<long> eventParams; // the parameters of the first events, 0 for the others
    std::function<void()> notify;
    std::vector<std::string> searchedNames;

    // Delivers the notification the way a naive graph would: straight into the stored function, and
    // with its own bookkeeping afterwards (which fails under the sanitizer if the graph is gone).
    void Notify()
    {
        if (notify) {
            notify();
            ++notifications;
        }
    }
    int notifications = 0;
    void PostEvent(long code)
    {
        events.push_back(code);
        Notify();
    }

    HResult AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) override
    {
        log_->push_back("AddFilter " + name);
        if (!filter) {
            return E_FAIL_STATUS;
        }
        if (!dsp::Failed(addFilterResult)) {
            filters.emplace_back(name, std::move(filter));
        }
        return addFilterResult;
    }
    std::shared_ptr<IFilter> FirstFilter() override
    {
        return filters.empty() ? nullptr : filters.front().second;
    }
    HResult RemoveFilter(const std::shared_ptr<IFilter>& filter) override
    {
        for (auto it = filters.begin(); it != filters.end(); ++it) {
            if (it->second == filter) {
                log_->push_back("RemoveFilter " + it->first);
                if (!dsp::Failed(removeFilterResult)) {
                    filters.erase(it);
                }
                return removeFilterResult;
            }
        }
        return E_NOT_FOUND_STATUS;
    }
    std::shared_ptr<IFilter> FindFilterByName(const std::string& name) override
    {
        searchedNames.push_back(name);
        for (const auto& [filterName, filter] : filters) {
            if (filterName == name) {
                return filter;
            }
        }
        return nullptr;
    }
    HResult RenderFile(const std::string& path) override
    {
        log_->push_back("RenderFile " + path);
        if (dsp::Failed(renderResult)) {
            return renderResult;
        }
        filters.emplace_back("source", std::make_shared<FakeFilter>("source"));
        bool named = false;
        for (const auto& entry : filters) {
            named = named || entry.first == "KV Audio Render";
        }
        if (!named) {
            filters.emplace_back(
                "Default DirectSound Device", std::make_shared<FakeFilter>("default renderer"));
        }
        return S_OK_STATUS;
    }
    HResult Run() override { return Transition("Run", runResult, Transport::Running); }
    HResult Pause() override { return Transition("Pause", pauseResult, Transport::Paused); }
    HResult Stop() override { return Transition("Stop", stopResult, Transport::Stopped); }
    HResult GetDuration(RefTime* value) override
    {
        *value = duration;
        return durationResult;
    }
    HResult GetCurrentPosition(RefTime* value) override
    {
        *value = position;
        return positionResult;
    }
    HResult SetPositions(RefTime absolute) override
    {
        log_->push_back("SetPositions " + std::to_string(absolute));
        if (!dsp::Failed(setPositionsResult)) {
            position = absolute;
        }
        return setPositionsResult;
    }
    HResult SetRate(double value) override
    {
        log_->push_back("SetRate " + std::to_string(value));
        if (!dsp::Failed(setRateResult)) {
            rate = value;
        }
        return setRateResult;
    }
    HResult GetRate(double* value) override
    {
        *value = rate;
        return getRateResult;
    }
    HResult PutVolume(long level) override
    {
        log_->push_back("PutVolume " + std::to_string(level));
        volume = level;
        return volumeResult;
    }
    HResult GetVolume(long* level) override
    {
        *level = volume;
        return volumeResult;
    }
    HResult PutBalance(long value) override
    {
        log_->push_back("PutBalance " + std::to_string(value));
        balance = value;
        return balanceResult;
    }
    HResult GetBalance(long* value) override
    {
        *value = balance;
        return balanceResult;
    }
    HResult PutTrim(double gainDb) override
    {
        log_->push_back("PutTrim " + std::to_string(gainDb));
        return volumeResult;
    }
    HResult PutDuck(double attenuationDb, unsigned glideMs) override
    {
        log_->push_back("PutDuck " + std::to_string(attenuationDb) + " " + std::to_string(glideMs));
        return volumeResult;
    }
    HResult SetNotify(std::function<void()> function) override
    {
        log_->push_back(function ? "SetNotify" : "ClearNotify");
        if (dsp::Failed(setNotifyResult)) {
            return setNotifyResult;
        }
        notify = std::move(function);
        return S_OK_STATUS;
    }
    bool GetEvent(long* code, long* param) override
    {
        if (events.empty()) {
            return false;
        }
        *code = events.front();
        events.pop_front();
        if (param != nullptr) {
            *param = eventParams.empty() ? 0 : eventParams.front();
        }
        if (!eventParams.empty()) {
            eventParams.pop_front();
        }
        return true;
    }
    HResult GetInputPinFormat(
        const std::shared_ptr<IFilter>&, bool* pin, WaveFormat* format, bool* exact) override
    {
        *pin = hasPin;
        *format = pinFormat;
        *exact = exactWaveFormat;
        return pinFormatResult;
    }

private:
    HResult Transition(const char* name, HResult result, Transport to)
    {
        log_->push_back(name);
        if (!dsp::Failed(result)) {
            transport = to;
        }
        return result;
    }

    std::shared_ptr<CallLog> log_;
    std::shared_ptr<bool> alive_;
};

class FakeEventLoop : public IEventLoop {
public:
    explicit FakeEventLoop(std::shared_ptr<CallLog> log)
        : log_(std::move(log))
    {
    }

    TimerId StartTimer(unsigned int periodMs, std::function<void()> tick) override
    {
        const TimerId id = next_++;
        timers_[id] = Timer { periodMs, std::move(tick) };
        log_->push_back("StartTimer " + std::to_string(periodMs));
        return id;
    }
    void KillTimer(TimerId id) override
    {
        log_->push_back("KillTimer");
        timers_.erase(id);
    }

    // Runs one tick of the timer, like the real loop: a copy keeps the function alive even when
    // the tick kills its own timer.
    void Fire(TimerId id)
    {
        const auto it = timers_.find(id);
        if (it != timers_.end()) {
            const std::function<void()> tick = it->second.tick;
            tick();
        }
    }
    // Fires every running timer of that period once (the streams' ticks: 200 ms).
    void FireAll(unsigned int periodMs)
    {
        for (const TimerId id : Running(periodMs)) {
            Fire(id);
        }
    }
    [[nodiscard]] std::vector<TimerId> Running(unsigned int periodMs) const
    {
        std::vector<TimerId> ids;
        for (const auto& [id, timer] : timers_) {
            if (timer.period == periodMs) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    [[nodiscard]] std::size_t Count() const { return timers_.size(); }

private:
    struct Timer {
        unsigned int period = 0;
        std::function<void()> tick;
    };
    std::shared_ptr<CallLog> log_;
    std::map<TimerId, Timer> timers_;
    TimerId next_ = 1;
};

class FakeStage : public dsp::IDspStage {
public:
    FakeStage(std::shared_ptr<CallLog> log, long kind)
        : kind(kind)
        , log_(std::move(log))
    {
    }

    long kind;
    HResult enableResult = S_OK_STATUS;
    HResult amplificationResult = S_OK_STATUS;
    // The status of SetBandGain for a band; success when unset.
    std::function<HResult(long band)> bandResult;
    long amplification = 10000;
    std::map<long, std::int8_t> bands;
    std::vector<std::pair<long, long>> bandCalls; // (band, value)

    HResult EnableStage(long enable) override
    {
        log_->push_back("EnableStage " + std::to_string(kind) + " " + std::to_string(enable));
        return enableResult;
    }
    HResult GetAmplification(long, long* value) override
    {
        *value = amplification;
        return amplificationResult;
    }
    HResult SetAmplification(long, long value) override
    {
        log_->push_back("SetAmplification " + std::to_string(value));
        if (!dsp::Failed(amplificationResult)) {
            amplification = value;
        }
        return amplificationResult;
    }
    HResult GetBandGain(long, long band, std::int8_t* value) override
    {
        const auto it = bands.find(band);
        if (it != bands.end()) {
            *value = it->second;
        }
        return S_OK_STATUS;
    }
    HResult SetBandGain(long, long band, long value) override
    {
        bandCalls.emplace_back(band, value);
        return bandResult ? bandResult(band) : S_OK_STATUS;
    }

private:
    std::shared_ptr<CallLog> log_;
};

class FakeDspControl : public dsp::IDspFilterControl {
public:
    explicit FakeDspControl(std::shared_ptr<CallLog> log)
        : log_(std::move(log))
    {
    }

    HResult addStageResult = S_OK_STATUS;
    HResult getStageResult = S_OK_STATUS;
    bool nullStages = false;
    // Status of EnableStage for the stages of a kind, success when unset.
    std::map<long, HResult> stageEnableResult;
    std::vector<std::shared_ptr<FakeStage>> stages;

    HResult SetActive(long active) override
    {
        log_->push_back("SetActive " + std::to_string(active));
        return E_FAIL_STATUS; // ignored by the control
    }
    HResult ResetStages() override
    {
        log_->push_back("ResetStages");
        stages.clear();
        return E_FAIL_STATUS; // ignored by the control
    }
    HResult AddStage(long position, long kind) override
    {
        log_->push_back("AddStage " + std::to_string(position) + " " + std::to_string(kind));
        if (!dsp::Failed(addStageResult)) {
            stages.push_back(std::make_shared<FakeStage>(log_, kind));
            const auto it = stageEnableResult.find(kind);
            if (it != stageEnableResult.end()) {
                stages.back()->enableResult = it->second;
            }
        }
        return addStageResult;
    }
    HResult GetStage(long index, std::shared_ptr<dsp::IDspStage>* stage) override
    {
        log_->push_back("GetStage " + std::to_string(index));
        if (dsp::Failed(getStageResult)) {
            return getStageResult;
        }
        if (!nullStages && index >= 0 && static_cast<std::size_t>(index) < stages.size()) {
            *stage = stages[static_cast<std::size_t>(index)];
        }
        return S_OK_STATUS;
    }
    [[nodiscard]] FakeStage& Amplifier() const { return *stages.at(0); }
    [[nodiscard]] FakeStage& Equalizer() const { return *stages.at(1); }

private:
    std::shared_ptr<CallLog> log_;
};

class FakePlatform;

class FakeDspModule : public IDspModule {
public:
    explicit FakeDspModule(FakePlatform& platform)
        : platform_(platform)
    {
    }
    HResult CreateFilter(
        std::shared_ptr<IFilter>* filter, std::shared_ptr<dsp::IDspFilterControl>* control) override;

private:
    FakePlatform& platform_;
};

class FakeMediaDetector : public IMediaDetector {
public:
    explicit FakeMediaDetector(FakePlatform& platform)
        : platform_(platform)
    {
    }
    MediaDetection Detect(const std::string& path) override;

private:
    FakePlatform& platform_;
};

struct FakeDevice {
    std::optional<std::u16string> friendlyName;
    HResult bindResult = S_OK_STATUS;
    int binds = 0;
};

class FakeDeviceEnumerator : public IDeviceEnumerator {
public:
    explicit FakeDeviceEnumerator(FakePlatform& platform)
        : platform_(platform)
    {
    }
    HResult Enumerate(std::vector<DeviceEntry>* entries) override;

private:
    FakePlatform& platform_;
};

class FakePlatform : public IPlatform {
public:
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    FakeEventLoop loop { log };

    // Graphs: every graph created, in order, with whether it still exists.
    HResult createGraphResult = S_OK_STATUS;
    std::function<void(FakeGraph&)> prepareGraph;
    std::vector<FakeGraph*> graphs;
    std::vector<std::shared_ptr<bool>> graphAlive;

    // Devices.
    HResult createEnumeratorResult = S_OK_STATUS;
    HResult enumerateResult = S_OK_STATUS;
    std::vector<FakeDevice> devices;

    // Media detection.
    bool detectorAvailable = true;
    MediaDetection detection;
    std::vector<std::string> detectedPaths;

    // DSP module: the control interface of the latest filter, prepared before its open.
    bool dspAvailable = true;
    HResult createFilterResult = S_OK_STATUS;
    std::function<void(FakeDspControl&)> prepareDsp;
    std::shared_ptr<FakeDspControl> dsp;
    std::vector<std::string> loadedModules;

    HResult CreateGraph(std::unique_ptr<IFilterGraph>* graph) override
    {
        log->push_back("CreateGraph");
        if (dsp::Failed(createGraphResult)) {
            return createGraphResult;
        }
        auto alive = std::make_shared<bool>(true);
        auto created = std::make_unique<FakeGraph>(log, alive);
        if (prepareGraph) {
            prepareGraph(*created);
        }
        graphs.push_back(created.get());
        graphAlive.push_back(alive);
        *graph = std::move(created);
        return S_OK_STATUS;
    }
    HResult CreateDeviceEnumerator(std::unique_ptr<IDeviceEnumerator>* enumerator) override
    {
        if (dsp::Failed(createEnumeratorResult)) {
            return createEnumeratorResult;
        }
        *enumerator = std::make_unique<FakeDeviceEnumerator>(*this);
        return S_OK_STATUS;
    }
    std::unique_ptr<IMediaDetector> CreateMediaDetector() override
    {
        return detectorAvailable ? std::make_unique<FakeMediaDetector>(*this) : nullptr;
    }
    std::unique_ptr<IDspModule> LoadDspModule(const std::string& name) override
    {
        log->push_back("LoadDspModule " + name);
        loadedModules.push_back(name);
        return dspAvailable ? std::make_unique<FakeDspModule>(*this) : nullptr;
    }
    IEventLoop& EventLoop() override { return loop; }
};

inline HResult FakeDspModule::CreateFilter(
    std::shared_ptr<IFilter>* filter, std::shared_ptr<dsp::IDspFilterControl>* control)
{
    if (dsp::Failed(platform_.createFilterResult)) {
        return platform_.createFilterResult;
    }
    platform_.dsp = std::make_shared<FakeDspControl>(platform_.log);
    if (platform_.prepareDsp) {
        platform_.prepareDsp(*platform_.dsp);
    }
    *filter = std::make_shared<FakeFilter>("dsp");
    *control = platform_.dsp;
    return S_OK_STATUS;
}

inline MediaDetection FakeMediaDetector::Detect(const std::string& path)
{
    platform_.detectedPaths.push_back(path);
    return platform_.detection;
}

inline HResult FakeDeviceEnumerator::Enumerate(std::vector<DeviceEntry>* entries)
{
    if (dsp::Failed(platform_.enumerateResult)) {
        return platform_.enumerateResult;
    }
    for (std::size_t i = 0; i < platform_.devices.size(); ++i) {
        DeviceEntry entry;
        entry.friendlyName = platform_.devices[i].friendlyName;
        entry.bindRenderer = [this, i](HResult* status) -> std::shared_ptr<IFilter> {
            FakeDevice& device = platform_.devices[i];
            ++device.binds;
            *status = device.bindResult;
            return dsp::Failed(device.bindResult) ? nullptr : std::make_shared<FakeFilter>("device renderer");
        };
        entries->push_back(std::move(entry));
    }
    return S_OK_STATUS;
}

} // namespace sonarel::test
