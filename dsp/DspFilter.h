#pragma once

#include "dsp/DspChain.h"

#include <vector>

namespace dsp {

// The control interface of a DSP filter: the stage list over the filter's chain. See DspEntry.h.
class DspFilter final : public IDspFilterControl {
public:
    explicit DspFilter(std::shared_ptr<DspChain> chain)
        : m_chain(std::move(chain))
    {
    }
    HResult SetActive(long active) override;
    HResult ResetStages() override;
    HResult AddStage(long position, long kind) override;
    HResult GetStage(long index, std::shared_ptr<IDspStage>* stage) override;

private:
    std::shared_ptr<DspChain> m_chain;
    std::vector<std::shared_ptr<IDspStage>> m_stages;
};

} // namespace dsp
