#pragma once

// The DSP module's control interface. The module is a shared object that Sonarel loads by name at
// every stream open; it exports one C entry point (DSP_FACTORY_SYMBOL) that creates the filter.
// This header carries no framework types, so both sides and the tests can include it.

#include <cstdint>
#include <memory>

namespace dsp {

using HResult = std::int32_t; // negative means failure

inline constexpr HResult S_OK_STATUS = 0;
inline constexpr HResult E_FAIL_STATUS = static_cast<HResult>(0x80004005);
inline constexpr HResult E_OUTOFMEMORY_STATUS = static_cast<HResult>(0x8007000E);
inline constexpr HResult E_INVALIDARG_STATUS = static_cast<HResult>(0x80070057);
[[nodiscard]] constexpr bool Failed(HResult status)
{
    return status < 0;
}

// Stage kinds the control adds: first the amplifier, then the equaliser.
inline constexpr long STAGE_AMPLIFY = 1;
inline constexpr long STAGE_EQUALIZER = 8;

// A processing stage. The first argument of the value calls is a channel selector, always 0 (all).
class IDspStage {
public:
    virtual ~IDspStage() = default;
    virtual HResult EnableStage(long enable) = 0;
    // Amplification: value / 10000 is the linear factor (10000 = unity).
    virtual HResult GetAmplification(long channel, long* value) = 0;
    virtual HResult SetAmplification(long channel, long value) = 0;
    // Equaliser: the meaning of band indices and values is documented by the module.
    virtual HResult GetBandGain(long channel, long band, std::int8_t* value) = 0;
    virtual HResult SetBandGain(long channel, long band, long value) = 0;
};

class IDspFilterControl {
public:
    virtual ~IDspFilterControl() = default;
    virtual HResult SetActive(long active) = 0;
    virtual HResult ResetStages() = 0;
    // position -1 appends.
    virtual HResult AddStage(long position, long kind) = 0;
    virtual HResult GetStage(long index, std::shared_ptr<IDspStage>* stage) = 0;
};

} // namespace dsp
