#include "dsp/DspFilter.h"

#include "dsp/AmplifyStage.h"
#include "dsp/EqualizerStage.h"

namespace dsp {

HResult DspFilter::SetActive(long active)
{
    chain_->SetActive(active != 0);
    return S_OK_STATUS;
}

HResult DspFilter::ResetStages()
{
    stages_.clear();
    chain_->ResetStages();
    return S_OK_STATUS;
}

HResult DspFilter::AddStage(long position, long kind)
{
    if (position < -1 || position > static_cast<long>(stages_.size())) {
        return E_INVALIDARG_STATUS;
    }
    const HResult added = chain_->AddStage(kind);
    if (Failed(added)) {
        return added;
    }
    std::shared_ptr<IDspStage> stage;
    if (kind == STAGE_AMPLIFY) {
        stage = std::make_shared<AmplifyStage>(chain_);
    } else {
        stage = std::make_shared<EqualizerStage>(chain_);
    }
    const auto at = position == -1 ? stages_.end() : stages_.begin() + position;
    stages_.insert(at, std::move(stage));
    return S_OK_STATUS;
}

HResult DspFilter::GetStage(long index, std::shared_ptr<IDspStage>* stage)
{
    if (stage == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    if (index < 0 || index >= static_cast<long>(stages_.size())) {
        stage->reset();
        return E_INVALIDARG_STATUS;
    }
    *stage = stages_[static_cast<std::size_t>(index)];
    return S_OK_STATUS;
}

} // namespace dsp
