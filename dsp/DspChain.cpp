#include "dsp/DspChain.h"

#include "dsp/DspEntry.h"

#include <algorithm>

namespace dsp {

using gstsupport::GRef;
using gstsupport::MakeElement;

std::shared_ptr<DspChain> DspChain::Create()
{
    GRef<GstElement> bin = GRef<GstElement>::Adopt(gst_bin_new(nullptr));
    GRef<GstElement> amplifier = MakeElement("volume", "amplify");
    GRef<GstElement> equalizer = MakeElement("equalizer-nbands", "equalizer");
    if (!bin || !amplifier || !equalizer) {
        return nullptr;
    }
    g_object_set(equalizer.get(), "num-bands", static_cast<guint>(EQUALIZER_BANDS), nullptr);

    gst_bin_add_many(GST_BIN(bin.get()), amplifier.get(), equalizer.get(), nullptr);
    if (!gst_element_link(amplifier.get(), equalizer.get())) {
        return nullptr;
    }
    GRef<GstPad> amplifierSink = GRef<GstPad>::Adopt(gst_element_get_static_pad(amplifier.get(), "sink"));
    GRef<GstPad> equalizerSource = GRef<GstPad>::Adopt(gst_element_get_static_pad(equalizer.get(), "src"));
    if (!gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", amplifierSink.get()))
        || !gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", equalizerSource.get()))) {
        return nullptr;
    }

    std::shared_ptr<DspChain> chain(new DspChain());
    chain->m_bin = std::move(bin);
    chain->m_amplifier = std::move(amplifier);
    chain->m_equalizer = std::move(equalizer);
    chain->ApplyAmplification();
    chain->ApplyEqualizer();
    return chain;
}

void DspChain::SetActive(bool active)
{
    m_active = active;
    ApplyAmplification();
    ApplyEqualizer();
}

void DspChain::ResetStages()
{
    m_amplify = {};
    m_equalize = {};
    m_amplification = AMPLIFICATION_UNITY;
    m_bands.fill(0);
    ApplyAmplification();
    ApplyEqualizer();
}

HResult DspChain::AddStage(long kind)
{
    StageState* stage = kind == STAGE_AMPLIFY ? &m_amplify : kind == STAGE_EQUALIZER ? &m_equalize : nullptr;
    if (stage == nullptr || stage->Present) {
        return E_INVALIDARG_STATUS;
    }
    stage->Present = true;
    stage->Enabled = false;
    return S_OK_STATUS;
}

void DspChain::EnableStage(long kind, bool enable)
{
    if (kind == STAGE_AMPLIFY) {
        m_amplify.Enabled = enable;
        ApplyAmplification();
    } else if (kind == STAGE_EQUALIZER) {
        m_equalize.Enabled = enable;
        ApplyEqualizer();
    }
}

HResult DspChain::SetAmplification(long value)
{
    if (value < 0 || value > AMPLIFICATION_MAX) {
        return E_INVALIDARG_STATUS;
    }
    m_amplification = value;
    ApplyAmplification();
    return S_OK_STATUS;
}

std::int8_t DspChain::BandGain(long band) const
{
    return band >= 0 && band < EQUALIZER_BANDS ? m_bands[static_cast<std::size_t>(band)] : 0;
}

HResult DspChain::SetBandGain(long band, long value)
{
    if (band < 0) {
        return E_INVALIDARG_STATUS;
    }
    if (band >= EQUALIZER_BANDS) {
        return S_OK_STATUS;
    }
    const auto index = static_cast<std::size_t>(band);
    m_bands[index] = static_cast<std::int8_t>(std::clamp(value, BAND_GAIN_MIN_DB, BAND_GAIN_MAX_DB));
    ApplyBand(index);
    return S_OK_STATUS;
}

void DspChain::ApplyAmplification()
{
    // `volume` switches itself to passthrough at exactly 1.0.
    const double factor
        = Applies(m_amplify) ? static_cast<double>(m_amplification) / AMPLIFICATION_UNITY : 1.0;
    g_object_set(m_amplifier.get(), "volume", factor, nullptr);
}

void DspChain::ApplyBand(std::size_t band)
{
    // The equaliser switches itself to passthrough while every band is at 0 dB.
    const double gain = Applies(m_equalize) ? static_cast<double>(m_bands[band]) : 0.0;
    GRef<GObject> child = GRef<GObject>::Adopt(
        gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(m_equalizer.get()), static_cast<guint>(band)));
    if (child) {
        g_object_set(child.get(), "gain", gain, nullptr);
    }
}

void DspChain::ApplyEqualizer()
{
    for (std::size_t band = 0; band < m_bands.size(); ++band) {
        ApplyBand(band);
    }
}

} // namespace dsp
