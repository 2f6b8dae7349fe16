#pragma once

#include "dsp/DspChain.h"

#include <memory>

namespace dsp {

// A stage of a DSP filter: a view onto its kind of the filter's chain. The value calls of the other
// kind fail.
class ChainStage : public IDspStage {
public:
    ChainStage(std::shared_ptr<DspChain> chain, long kind)
        : m_chain(std::move(chain))
        , m_kind(kind)
    {
    }
    HResult EnableStage(long enable) override;
    HResult GetAmplification(long channel, long* value) override;
    HResult SetAmplification(long channel, long value) override;
    HResult GetBandGain(long channel, long band, std::int8_t* value) override;
    HResult SetBandGain(long channel, long band, long value) override;

protected:
    [[nodiscard]] DspChain& Chain() const { return *m_chain; }

private:
    std::shared_ptr<DspChain> m_chain;
    long m_kind;
};

// The amplify stage (kind STAGE_AMPLIFY): the chain's `volume` element.
class AmplifyStage final : public ChainStage {
public:
    explicit AmplifyStage(std::shared_ptr<DspChain> chain)
        : ChainStage(std::move(chain), STAGE_AMPLIFY)
    {
    }
    HResult GetAmplification(long channel, long* value) override;
    HResult SetAmplification(long channel, long value) override;
};

// The equaliser stage (kind STAGE_EQUALIZER): the chain's ten-band equaliser. Band indices and
// values are described in DspEntry.h.
class EqualizerStage final : public ChainStage {
public:
    explicit EqualizerStage(std::shared_ptr<DspChain> chain)
        : ChainStage(std::move(chain), STAGE_EQUALIZER)
    {
    }
    HResult GetBandGain(long channel, long band, std::int8_t* value) override;
    HResult SetBandGain(long channel, long band, long value) override;
};

} // namespace dsp
