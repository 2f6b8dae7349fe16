#include "dsp/DspFilter.h"

#include "dsp/ChainStages.h"

namespace dsp {

HResult DspFilter::SetActive(long active)
{
    m_chain->SetActive(active != 0);
    return S_OK_STATUS;
}

HResult DspFilter::ResetStages()
{
    m_stages.clear();
    m_chain->ResetStages();
    return S_OK_STATUS;
}

HResult DspFilter::AddStage(long position, long kind)
{
    if (position < -1 || position > static_cast<long>(m_stages.size())) {
        return E_INVALIDARG_STATUS;
    }
    const HResult added = m_chain->AddStage(kind);
    if (Failed(added)) {
        return added;
    }
    std::shared_ptr<IDspStage> stage;
    if (kind == STAGE_AMPLIFY) {
        stage = std::make_shared<AmplifyStage>(m_chain);
    } else {
        stage = std::make_shared<EqualizerStage>(m_chain);
    }
    const auto at = position == -1 ? m_stages.end() : m_stages.begin() + position;
    m_stages.insert(at, std::move(stage));
    return S_OK_STATUS;
}

HResult DspFilter::GetStage(long index, std::shared_ptr<IDspStage>* stage)
{
    if (stage == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    if (index < 0 || index >= static_cast<long>(m_stages.size())) {
        stage->reset();
        return E_INVALIDARG_STATUS;
    }
    *stage = m_stages[static_cast<std::size_t>(index)];
    return S_OK_STATUS;
}

} // namespace dsp
