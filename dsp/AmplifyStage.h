#pragma once

#include "dsp/DspChain.h"

namespace dsp {

// The amplify stage (kind STAGE_AMPLIFY) of a DSP filter: a view onto the chain's `volume` element.
class AmplifyStage final : public IDspStage {
public:
    explicit AmplifyStage(std::shared_ptr<DspChain> chain)
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
