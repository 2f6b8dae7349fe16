#include "dsp/AmplifyStage.h"

namespace dsp {

HResult AmplifyStage::EnableStage(long enable)
{
    chain_->EnableStage(STAGE_AMPLIFY, enable != 0);
    return S_OK_STATUS;
}

HResult AmplifyStage::GetAmplification(long channel, long* value)
{
    if (channel != 0 || value == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    *value = chain_->Amplification();
    return S_OK_STATUS;
}

HResult AmplifyStage::SetAmplification(long channel, long value)
{
    if (channel != 0) {
        return E_INVALIDARG_STATUS;
    }
    return chain_->SetAmplification(value);
}

HResult AmplifyStage::GetBandGain(long /*channel*/, long /*band*/, std::int8_t* /*value*/)
{
    return E_FAIL_STATUS;
}

HResult AmplifyStage::SetBandGain(long /*channel*/, long /*band*/, long /*value*/)
{
    return E_FAIL_STATUS;
}

} // namespace dsp
