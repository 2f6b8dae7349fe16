#pragma once

#include "dsp/DspChain.h"

namespace dsp {

// The equaliser stage (kind STAGE_EQUALIZER) of a DSP filter: a view onto the chain's ten-band
// equaliser. Band indices and values are described in DspEntry.h.
class EqualizerStage final : public IDspStage {
public:
    explicit EqualizerStage(std::shared_ptr<DspChain> chain)
        : chain_(std::move(chain))
    {
    }
    HResult EnableStage(long enable) override;
    HResult GetAmplification(long channel, long* value) override;
    HResult SetAmplification(long channel, long value) override;
    HResult GetBandGain(long channel, long band, std::int8_t* value) override;
    HResult SetBandGain(long channel, long band, long value) override;

private:
    std::shared_ptr<DspChain> chain_;
};

} // namespace dsp
