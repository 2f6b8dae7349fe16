#pragma once

// The DSP filter's elements and settings: a bin of `volume` (amplify stage) and `equalizer-nbands`
// (equaliser stage), and the values that the stages set. Both elements are passthrough at their
// neutral setting, which is where they stay while their stage is absent or disabled or the filter is
// not active. Called on the control's thread only; the elements apply property changes to the audio
// thread themselves.

#include "dsp/DspEntry.h"
#include "gstsupport/GRef.h"

#include <array>
#include <cstdint>
#include <memory>

namespace dsp {

class DspChain {
public:
    // nullptr when an element's plugin is missing.
    [[nodiscard]] static std::shared_ptr<DspChain> Create();

    [[nodiscard]] GstElement* Bin() const { return m_bin.get(); }

    void SetActive(bool active);
    void ResetStages();
    [[nodiscard]] HResult AddStage(long kind);
    void EnableStage(long kind, bool enable);

    [[nodiscard]] long Amplification() const { return m_amplification; }
    [[nodiscard]] HResult SetAmplification(long value);
    [[nodiscard]] std::int8_t BandGain(long band) const;
    [[nodiscard]] HResult SetBandGain(long band, long value);

private:
    struct StageState {
        bool Present = false;
        bool Enabled = false;
    };

    DspChain() = default;
    [[nodiscard]] bool Applies(const StageState& stage) const
    {
        return m_active && stage.Present && stage.Enabled;
    }
    void ApplyAmplification();
    void ApplyBand(std::size_t band);
    void ApplyEqualizer();

    gstsupport::GRef<GstElement> m_bin;
    gstsupport::GRef<GstElement> m_amplifier;
    gstsupport::GRef<GstElement> m_equalizer;
    bool m_active = false;
    StageState m_amplify;
    StageState m_equalize;
    long m_amplification = AMPLIFICATION_UNITY;
    std::array<std::int8_t, EQUALIZER_BANDS> m_bands {};
};

} // namespace dsp
