#pragma once

// The seam between the control's logic and the media framework. CSonarelCtrl sees only these
// interfaces; control/gst/ implements them on GStreamer, and the unit tests implement them
// with fakes. Every call happens on the control's thread (the thread whose GLib main context
// was the thread-default one when the platform was created); implementations deliver their
// notifications on that thread too, never on a streaming thread.

#include "dsp/DspFilterControl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonarel {

using HResult = dsp::HResult;
using dsp::E_FAIL_STATUS;
using dsp::E_OUTOFMEMORY_STATUS;
using dsp::Failed;
using dsp::S_OK_STATUS;

// Status codes of the graph layer beyond the generic ones.
inline constexpr HResult E_NOT_FOUND_STATUS = static_cast<HResult>(0x80070490); // no such filter
inline constexpr HResult E_TIMEOUT_STATUS = static_cast<HResult>(0x800705B4); // preroll did not finish
inline constexpr HResult E_UNSUPPORTED_STATUS = static_cast<HResult>(0x80040265); // cannot render the file

// Reference time: 100 ns units, as every position, duration and seek target of the graph.
using RefTime = std::int64_t;

// The 18-byte wave format of the control's interface.
struct WaveFormat {
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// A filter in a graph: the renderer of a device, the DSP filter, or a part of the source chain.
class IFilter {
public:
    virtual ~IFilter() = default;
};

// The graph-event codes that the control acts on, each with a parameter: the file played to its end;
// the graph broke off while running (a decoding error) and has stopped, silent; the renderer's device
// (or the sound server) went away and the graph has stopped; and, found after the call that asked
// for it returned, the rendered file does not play, or a transport command failed (parameter: the
// failure status).
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_ERRORABORT = 3;
inline constexpr long EC_DEVICE_LOST = 0x1F;
inline constexpr long EC_USER = 0x8000;
inline constexpr long EC_RENDER_FAILED = EC_USER + 1;
inline constexpr long EC_COMMAND_FAILED = EC_USER + 2;

// One stream's graph. Created once per stream and reused across opens.
class IFilterGraph {
public:
    virtual ~IFilterGraph() = default;

    // Filter management, by name as filters are added.
    [[nodiscard]] virtual HResult AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) = 0;
    // The first filter of the graph (nullptr when empty); the open's teardown removes them one by one.
    [[nodiscard]] virtual std::shared_ptr<IFilter> FirstFilter() = 0;
    virtual HResult RemoveFilter(const std::shared_ptr<IFilter>& filter) = 0;
    [[nodiscard]] virtual std::shared_ptr<IFilter> FindFilterByName(const std::string& name) = 0;

    // Builds the file's source chain (demuxing, decoding, conversion, resampling) through the filters
    // already in the graph (the DSP filter, then the renderer; without a renderer, a default renderer
    // named "Default DirectSound Device" is added). A failure here means the chain cannot be built;
    // whether the file plays is found out afterwards, without blocking the caller, and a file that
    // does not is reported as EC_RENDER_FAILED. The path is UTF-8.
    [[nodiscard]] virtual HResult RenderFile(const std::string& path) = 0;

    // Transport. Each returns at once; a command that fails on its way is reported as
    // EC_COMMAND_FAILED (or EC_RENDER_FAILED / EC_DEVICE_LOST when that is why).
    [[nodiscard]] virtual HResult Run() = 0;
    [[nodiscard]] virtual HResult Pause() = 0;
    [[nodiscard]] virtual HResult Stop() = 0;

    // Seeking, in reference time.
    [[nodiscard]] virtual HResult GetDuration(RefTime* duration) = 0;
    [[nodiscard]] virtual HResult GetCurrentPosition(RefTime* position) = 0;
    [[nodiscard]] virtual HResult SetPositions(RefTime absolute) = 0;
    [[nodiscard]] virtual HResult SetRate(double rate) = 0;
    [[nodiscard]] virtual HResult GetRate(double* rate) = 0;

    // Volume in hundredths of a decibel (-10000..0); balance -10000..10000 (positive attenuates the
    // left channel by balance/100 dB, negative the right one). Values read back exactly as set.
    [[nodiscard]] virtual HResult PutVolume(long level) = 0;
    [[nodiscard]] virtual HResult GetVolume(long* level) = 0;
    [[nodiscard]] virtual HResult PutBalance(long balance) = 0;
    [[nodiscard]] virtual HResult GetBalance(long* balance) = 0;
    // A gain in dB on top of the volume (-40..+30), and an attenuation in dB (0..60) that glides to
    // its new value over glideMs. Both start at 0 with every file.
    [[nodiscard]] virtual HResult PutTrim(double gainDb) = 0;
    [[nodiscard]] virtual HResult PutDuck(double attenuationDb, unsigned glideMs) = 0;

    // Graph events. While a notification is set, the graph calls it on the control's thread whenever
    // events are waiting; an empty function clears it. GetEvent fetches one waiting event and its
    // parameter without waiting and returns false when none is left.
    [[nodiscard]] virtual HResult SetNotify(std::function<void()> notify) = 0;
    [[nodiscard]] virtual bool GetEvent(long* code, long* param) = 0;

    // The format that arrives at the given filter's first input pin, when that pin is connected.
    // E_NOT_FOUND_STATUS when the filter has no input pin; another failure when it has no negotiated
    // format. Fills *format and *exactWaveFormat (false when the format cannot be expressed as the
    // 18-byte wave format, e.g. float or more than two channels with a channel mask, and while the
    // rendered file is still being opened and nothing is negotiated yet).
    [[nodiscard]] virtual HResult GetInputPinFormat(
        const std::shared_ptr<IFilter>& filter, bool* hasPin, WaveFormat* format, bool* exactWaveFormat)
        = 0;
};

// One output device as the platform lists it.
struct DeviceEntry {
    // Human-readable, unique and stable across restarts; nullopt when it cannot be read.
    std::optional<std::u16string> friendlyName;
    // Creates a renderer filter that plays on this device only.
    std::function<std::shared_ptr<IFilter>(HResult* status)> bindRenderer;
};

class IDeviceEnumerator {
public:
    virtual ~IDeviceEnumerator() = default;
    // A fresh walk of the audio output devices, in the platform's stable order. Nothing is cached.
    // A failure status means the enumerator could not be created.
    [[nodiscard]] virtual HResult Enumerate(std::vector<DeviceEntry>* entries) = 0;
};

// What the media detector learnt of a file.
struct MediaDetection {
    enum class Failure { None, Open, Length, NoAudio };
    Failure failure = Failure::None;
    double firstStreamSeconds = 0; // length of the file's first stream
    WaveFormat audio; // format of the first audio stream (block align, bytes/s unused)
};

class IMediaDetector {
public:
    virtual ~IMediaDetector() = default;
    // Measures the file without playing it; the path is UTF-8.
    [[nodiscard]] virtual MediaDetection Detect(const std::string& path) = 0;
};

// A loaded DSP module; releasing it does not unload the shared object.
class IDspModule {
public:
    virtual ~IDspModule() = default;
    // Creates the DSP filter and its control interface.
    [[nodiscard]] virtual HResult CreateFilter(
        std::shared_ptr<IFilter>* filter, std::shared_ptr<dsp::IDspFilterControl>* control)
        = 0;
};

using TimerId = unsigned int;

// The control's thread: periodic timers, serialised with every other call of the control.
class IEventLoop {
public:
    virtual ~IEventLoop() = default;
    [[nodiscard]] virtual TimerId StartTimer(unsigned int periodMs, std::function<void()> tick) = 0;
    // Note (contract made explicit for the control): KillTimer and StartTimer may be called from
    // inside a tick, the ticking timer's own included (a listener may stop or close a stream inside
    // an event raised from that stream's tick). A killed timer never ticks again, and the running
    // tick function stays alive until it returns (GLib's dispatch already guarantees both).
    virtual void KillTimer(TimerId id) = 0;
};

// Everything the control needs from the platform.
class IPlatform {
public:
    virtual ~IPlatform() = default;
    [[nodiscard]] virtual HResult CreateGraph(std::unique_ptr<IFilterGraph>* graph) = 0;
    [[nodiscard]] virtual HResult CreateDeviceEnumerator(std::unique_ptr<IDeviceEnumerator>* enumerator) = 0;
    [[nodiscard]] virtual std::unique_ptr<IMediaDetector> CreateMediaDetector() = 0;
    // Loads the DSP module by its plain name from the program's folder; nullptr when it is missing
    // or exports no factory.
    [[nodiscard]] virtual std::unique_ptr<IDspModule> LoadDspModule(const std::string& name) = 0;
    [[nodiscard]] virtual IEventLoop& EventLoop() = 0;
};

} // namespace sonarel
