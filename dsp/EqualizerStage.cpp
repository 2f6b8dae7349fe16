#include "dsp/EqualizerStage.h"

namespace dsp {

HResult EqualizerStage::EnableStage(long enable)
{
    chain_->EnableStage(STAGE_EQUALIZER, enable != 0);
    return S_OK_STATUS;
}

HResult EqualizerStage::GetAmplification(long /*channel*/, long* /*value*/)
{
    return E_FAIL_STATUS;
}

HResult EqualizerStage::SetAmplification(long /*channel*/, long /*value*/)
{
    return E_FAIL_STATUS;
}

HResult EqualizerStage::GetBandGain(long channel, long band, std::int8_t* value)
{
    if (channel != 0 || band < 0 || value == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    *value = chain_->BandGain(band);
    return S_OK_STATUS;
}

HResult EqualizerStage::SetBandGain(long channel, long band, long value)
{
    if (channel != 0) {
        return E_INVALIDARG_STATUS;
    }
    return chain_->SetBandGain(band, value);
}

} // namespace dsp
