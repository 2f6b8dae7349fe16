#pragma once

// The DSP filter's elements and settings: a bin of `volume` (amplify stage) and `equalizer-nbands`
// (equaliser stage), and the values that the stages set. Both elements are passthrough at their
// neutral setting, which is where they stay while their stage is absent or disabled or the filter is
// not active. Called on the control's thread only; the elements apply property changes to the audio
// thread themselves.

#include "control/gst/GRef.h"
#include "dsp/DspEntry.h"

#include <array>
#include <cstdint>
#include <memory>

namespace dsp {

class DspChain {
public:
    // nullptr when an element's plugin is missing.
    [[nodiscard]] static std::shared_ptr<DspChain> Create();

    [[nodiscard]] GstElement* Bin() const { return bin_.get(); }

    void SetActive(bool active);
    void ResetStages();
    [[nodiscard]] HResult AddStage(long kind);
    void EnableStage(long kind, bool enable);

    [[nodiscard]] long Amplification() const { return amplification_; }
    [[nodiscard]] HResult SetAmplification(long value);
    [[nodiscard]] std::int8_t BandGain(long band) const;
    [[nodiscard]] HResult SetBandGain(long band, long value);

private:
    struct StageState {
        bool present = false;
        bool enabled = false;
    };

    DspChain() = default;
    [[nodiscard]] bool Applies(const StageState& stage) const
    {
        return active_ && stage.present && stage.enabled;
    }
    void ApplyAmplification();
    void ApplyBand(std::size_t band);
    void ApplyEqualizer();

    sonarel::gst::GRef<GstElement> bin_;
    sonarel::gst::GRef<GstElement> amplifier_;
    sonarel::gst::GRef<GstElement> equalizer_;
    bool active_ = false;
    StageState amplify_;
    StageState equalize_;
    long amplification_ = AMPLIFICATION_UNITY;
    std::array<std::int8_t, EQUALIZER_BANDS> bands_ {};
};

} // namespace dsp
