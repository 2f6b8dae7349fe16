#include "dsp/ChainStages.h"

namespace dsp {

HResult ChainStage::EnableStage(long enable)
{
    m_chain->EnableStage(m_kind, enable != 0);
    return S_OK_STATUS;
}

HResult ChainStage::GetAmplification(long /*channel*/, long* /*value*/)
{
    return E_FAIL_STATUS;
}

HResult ChainStage::SetAmplification(long /*channel*/, long /*value*/)
{
    return E_FAIL_STATUS;
}

HResult ChainStage::GetBandGain(long /*channel*/, long /*band*/, std::int8_t* /*value*/)
{
    return E_FAIL_STATUS;
}

HResult ChainStage::SetBandGain(long /*channel*/, long /*band*/, long /*value*/)
{
    return E_FAIL_STATUS;
}

HResult AmplifyStage::GetAmplification(long channel, long* value)
{
    if (channel != 0 || value == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    *value = Chain().Amplification();
    return S_OK_STATUS;
}

HResult AmplifyStage::SetAmplification(long channel, long value)
{
    if (channel != 0) {
        return E_INVALIDARG_STATUS;
    }
    return Chain().SetAmplification(value);
}

HResult EqualizerStage::GetBandGain(long channel, long band, std::int8_t* value)
{
    if (channel != 0 || band < 0 || value == nullptr) {
        return E_INVALIDARG_STATUS;
    }
    *value = Chain().BandGain(band);
    return S_OK_STATUS;
}

HResult EqualizerStage::SetBandGain(long channel, long band, long value)
{
    if (channel != 0) {
        return E_INVALIDARG_STATUS;
    }
    return Chain().SetBandGain(band, value);
}

} // namespace dsp
