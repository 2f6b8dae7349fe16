#include "dsp/DspChain.h"

#include "dsp/DspEntry.h"

#include <algorithm>

namespace dsp {

using sonarel::gst::GRef;

namespace {

    GRef<GstElement> MakeElement(const char* factory, const char* name)
    {
        GRef<GstElement> element = GRef<GstElement>::Adopt(gst_element_factory_make(factory, name));
        if (!element) {
            g_warning("The DSP filter needs the GStreamer element \"%s\", which is not installed", factory);
        }
        return element;
    }

} // namespace

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
    chain->bin_ = std::move(bin);
    chain->amplifier_ = std::move(amplifier);
    chain->equalizer_ = std::move(equalizer);
    chain->ApplyAmplification();
    chain->ApplyEqualizer();
    return chain;
}

void DspChain::SetActive(bool active)
{
    active_ = active;
    ApplyAmplification();
    ApplyEqualizer();
}

void DspChain::ResetStages()
{
    amplify_ = {};
    equalize_ = {};
    amplification_ = AMPLIFICATION_UNITY;
    bands_.fill(0);
    ApplyAmplification();
    ApplyEqualizer();
}

HResult DspChain::AddStage(long kind)
{
    StageState* stage = kind == STAGE_AMPLIFY ? &amplify_ : kind == STAGE_EQUALIZER ? &equalize_ : nullptr;
    if (stage == nullptr || stage->present) {
        return E_INVALIDARG_STATUS;
    }
    stage->present = true;
    stage->enabled = false;
    return S_OK_STATUS;
}

void DspChain::EnableStage(long kind, bool enable)
{
    if (kind == STAGE_AMPLIFY) {
        amplify_.enabled = enable;
        ApplyAmplification();
    } else if (kind == STAGE_EQUALIZER) {
        equalize_.enabled = enable;
        ApplyEqualizer();
    }
}

HResult DspChain::SetAmplification(long value)
{
    if (value < 0 || value > AMPLIFICATION_MAX) {
        return E_INVALIDARG_STATUS;
    }
    amplification_ = value;
    ApplyAmplification();
    return S_OK_STATUS;
}

std::int8_t DspChain::BandGain(long band) const
{
    return band >= 0 && band < EQUALIZER_BANDS ? bands_[static_cast<std::size_t>(band)] : 0;
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
    bands_[index] = static_cast<std::int8_t>(std::clamp(value, BAND_GAIN_MIN_DB, BAND_GAIN_MAX_DB));
    ApplyBand(index);
    return S_OK_STATUS;
}

void DspChain::ApplyAmplification()
{
    // `volume` switches itself to passthrough at exactly 1.0.
    const double factor = Applies(amplify_) ? static_cast<double>(amplification_) / AMPLIFICATION_UNITY : 1.0;
    g_object_set(amplifier_.get(), "volume", factor, nullptr);
}

void DspChain::ApplyBand(std::size_t band)
{
    // The equaliser switches itself to passthrough while every band is at 0 dB.
    const double gain = Applies(equalize_) ? static_cast<double>(bands_[band]) : 0.0;
    GRef<GObject> child = GRef<GObject>::Adopt(
        gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(equalizer_.get()), static_cast<guint>(band)));
    if (child) {
        g_object_set(child.get(), "gain", gain, nullptr);
    }
}

void DspChain::ApplyEqualizer()
{
    for (std::size_t band = 0; band < bands_.size(); ++band) {
        ApplyBand(band);
    }
}

} // namespace dsp
