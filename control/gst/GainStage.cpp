#include "control/gst/GainStage.h"

#include <gst/audio/audio.h>
#include <gst/audio/gstaudiofilter.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace sonarel::gst {

namespace {

    constexpr int MAX_CHANNELS = 64;
    constexpr long MUTED = 10000;

    enum class Side : std::int8_t { Neither, Left, Right };

    struct GainStageInstance {
        GstAudioFilter parent;
        // Guarded by the object lock: written by the control's thread, read by the streaming thread.
        gfloat volume;
        gfloat left;
        gfloat right;
        gfloat trim;
        gfloat duckTarget;
        guint duckGlideMs;
        gboolean duckChanged;
        // Set up from the caps on the streaming thread.
        Side sides[MAX_CHANNELS];
        gint rate;
        // The streaming thread's own: where the duck stands, and how it moves on per frame.
        gfloat duckNow;
        gfloat duckStep;
        guint64 duckFramesLeft;
    };

    struct GainStageClass {
        GstAudioFilterClass parent;
    };

    GainStageInstance* Self(gpointer object)
    {
        return reinterpret_cast<GainStageInstance*>(object);
    }

    Side SideOf(GstAudioChannelPosition position)
    {
        switch (position) {
        case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_WIDE_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_SURROUND_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_BOTTOM_FRONT_LEFT:
            return Side::Left;
        case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_WIDE_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_SURROUND_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_BOTTOM_FRONT_RIGHT:
            return Side::Right;
        default:
            return Side::Neither;
        }
    }

    gboolean Setup(GstAudioFilter* filter, const GstAudioInfo* info)
    {
        GainStageInstance* self = Self(filter);
        const int channels = GST_AUDIO_INFO_CHANNELS(info);
        if (channels < 1 || channels > MAX_CHANNELS) {
            return FALSE;
        }
        const bool unpositioned = GST_AUDIO_INFO_IS_UNPOSITIONED(info);
        for (int channel = 0; channel < channels; ++channel) {
            Side side = SideOf(GST_AUDIO_INFO_POSITION(info, channel));
            // Two channels without positions are taken as left and right.
            if (unpositioned && channels == 2) {
                side = channel == 0 ? Side::Left : Side::Right;
            }
            self->sides[channel] = side;
        }
        self->rate = GST_AUDIO_INFO_RATE(info);
        return TRUE;
    }

    // Where every channel's gain is at most 1, 16-bit samples are scaled in 1.15 fixed point and
    // never overflow; louder gains take the saturating path below.
    constexpr int Q15_ONE = 1 << 15;

    void ProcessS16(gint16* samples, gsize count, int channels, const gint32* gains)
    {
        const auto stride = static_cast<gsize>(channels);
        for (gsize i = 0; i + stride <= count; i += stride) {
            for (gsize channel = 0; channel < stride; ++channel) {
                const gint32 scaled
                    = (static_cast<gint32>(samples[i + channel]) * gains[channel] + Q15_ONE / 2) >> 15;
                samples[i + channel] = static_cast<gint16>(scaled);
            }
        }
    }

    void ProcessF32(gfloat* samples, gsize count, int channels, const gfloat* gains)
    {
        const auto stride = static_cast<gsize>(channels);
        for (gsize i = 0; i + stride <= count; i += stride) {
            for (gsize channel = 0; channel < stride; ++channel) {
                samples[i + channel] *= gains[channel];
            }
        }
    }

    gint16 Saturated(gfloat value)
    {
        return static_cast<gint16>(std::clamp(std::lrint(value), -32768L, 32767L));
    }

    // Gains that may pass 1 and a duck that may be moving: one frame at a time, each sample scaled by
    // its channel's gain and the duck where it stands at that frame.
    template <typename Sample>
    void ProcessGliding(Sample* samples, gsize count, int channels, const gfloat* gains,
        GainStageInstance* self, gfloat target)
    {
        const auto stride = static_cast<gsize>(channels);
        for (gsize i = 0; i + stride <= count; i += stride) {
            if (self->duckFramesLeft > 0) {
                self->duckNow = --self->duckFramesLeft == 0 ? target : self->duckNow + self->duckStep;
            }
            const gfloat duck = self->duckNow;
            for (gsize channel = 0; channel < stride; ++channel) {
                const gfloat scaled = static_cast<gfloat>(samples[i + channel]) * gains[channel] * duck;
                if constexpr (std::is_same_v<Sample, gint16>) {
                    samples[i + channel] = Saturated(scaled);
                } else {
                    samples[i + channel] = scaled;
                }
            }
        }
    }

    // Levels at their neutral values, the duck's target included; the caller holds the object lock.
    bool AtUnity(const GainStageInstance* self)
    {
        return self->volume == 1.0F && self->left == 1.0F && self->right == 1.0F && self->trim == 1.0F
            && self->duckTarget == 1.0F;
    }

    gfloat FactorOfDb(double db)
    {
        return static_cast<gfloat>(std::pow(10.0, db / 20.0));
    }

    GstFlowReturn TransformInPlace(GstBaseTransform* transform, GstBuffer* buffer)
    {
        GainStageInstance* self = Self(transform);
        const GstAudioInfo* info = &reinterpret_cast<GstAudioFilter*>(transform)->info;
        const int channels = GST_AUDIO_INFO_CHANNELS(info);
        if (channels < 1 || channels > MAX_CHANNELS) {
            return GST_FLOW_NOT_NEGOTIATED;
        }

        GST_OBJECT_LOCK(transform);
        const gfloat volume = self->volume;
        const gfloat left = self->left;
        const gfloat right = self->right;
        const gfloat trim = self->trim;
        const gfloat target = self->duckTarget;
        const guint glideMs = self->duckGlideMs;
        const bool duckChanged = self->duckChanged != FALSE;
        self->duckChanged = FALSE;
        GST_OBJECT_UNLOCK(transform);

        if (duckChanged) {
            const auto frames
                = static_cast<guint64>(glideMs) * static_cast<guint64>(std::max(self->rate, 1)) / 1000;
            self->duckFramesLeft = frames;
            if (frames == 0) {
                self->duckNow = target;
            } else {
                self->duckStep = (target - self->duckNow) / static_cast<gfloat>(frames);
            }
        }

        gfloat gains[MAX_CHANNELS];
        gint32 fixedGains[MAX_CHANNELS];
        const bool s16 = GST_AUDIO_INFO_FORMAT(info) == GST_AUDIO_FORMAT_S16;
        // Float samples need no saturation: only a moving duck needs the frame-by-frame path there.
        bool steady = self->duckFramesLeft == 0;
        for (int channel = 0; channel < channels; ++channel) {
            const Side side = self->sides[channel];
            gains[channel] = volume * trim * (side == Side::Left ? left : side == Side::Right ? right : 1.0F);
            steady = steady && (!s16 || gains[channel] * self->duckNow <= 1.0F);
            fixedGains[channel] = std::clamp(
                static_cast<gint32>(std::lround(gains[channel] * self->duckNow * Q15_ONE)), 0, Q15_ONE);
        }

        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
            return GST_FLOW_ERROR;
        }
        if (!steady) {
            if (s16) {
                ProcessGliding(reinterpret_cast<gint16*>(map.data), map.size / sizeof(gint16), channels,
                    gains, self, target);
            } else {
                ProcessGliding(reinterpret_cast<gfloat*>(map.data), map.size / sizeof(gfloat), channels,
                    gains, self, target);
            }
        } else if (s16) {
            ProcessS16(reinterpret_cast<gint16*>(map.data), map.size / sizeof(gint16), channels, fixedGains);
        } else {
            for (int channel = 0; channel < channels; ++channel) {
                gains[channel] *= self->duckNow;
            }
            ProcessF32(reinterpret_cast<gfloat*>(map.data), map.size / sizeof(gfloat), channels, gains);
        }
        gst_buffer_unmap(buffer, &map);

        // Back at unity once a glide up has ended: the stage steps aside again. A level set meanwhile
        // left passthrough before this entered it, so it is looked at again afterwards.
        if (self->duckFramesLeft == 0 && self->duckNow == 1.0F && volume == 1.0F && left == 1.0F
            && right == 1.0F && trim == 1.0F && target == 1.0F) {
            gst_base_transform_set_passthrough(transform, TRUE);
            GST_OBJECT_LOCK(transform);
            const bool stillUnity = AtUnity(self) && self->duckChanged == FALSE;
            GST_OBJECT_UNLOCK(transform);
            if (!stillUnity) {
                gst_base_transform_set_passthrough(transform, FALSE);
            }
        }
        return GST_FLOW_OK;
    }

    void ClassInit(gpointer klass, gpointer /*data*/)
    {
        auto* elementClass = GST_ELEMENT_CLASS(klass);
        gst_element_class_set_static_metadata(elementClass, "Volume and balance", "Filter/Effect/Audio",
            "Applies a stream's volume and balance", "Sonarel");

        const GRef<GstCaps> caps = GRef<GstCaps>::Adopt(
            gst_caps_from_string("audio/x-raw, format=(string){ " GST_AUDIO_NE(S16) ", " GST_AUDIO_NE(
                F32) " }, rate=(int)[ 1, max ], channels=(int)[ 1, 64 ], layout=(string)interleaved"));
        gst_audio_filter_class_add_pad_templates(GST_AUDIO_FILTER_CLASS(klass), caps.get());

        auto* transformClass = GST_BASE_TRANSFORM_CLASS(klass);
        transformClass->transform_ip = TransformInPlace;
        transformClass->transform_ip_on_passthrough = FALSE;
        GST_AUDIO_FILTER_CLASS(klass)->setup = Setup;
    }

    void InstanceInit(GTypeInstance* instance, gpointer /*klass*/)
    {
        GainStageInstance* self = Self(instance);
        self->volume = 1.0F;
        self->left = 1.0F;
        self->right = 1.0F;
        self->trim = 1.0F;
        self->duckTarget = 1.0F;
        self->duckGlideMs = 0;
        self->duckChanged = FALSE;
        self->rate = 0;
        self->duckNow = 1.0F;
        self->duckStep = 0.0F;
        self->duckFramesLeft = 0;
        std::fill(std::begin(self->sides), std::end(self->sides), Side::Neither);
        gst_base_transform_set_in_place(GST_BASE_TRANSFORM(instance), TRUE);
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(instance), TRUE);
    }

    GType GainStageType()
    {
        static const GType type
            = g_type_register_static_simple(GST_TYPE_AUDIO_FILTER, "SonarelGainStage", sizeof(GainStageClass),
                ClassInit, sizeof(GainStageInstance), InstanceInit, static_cast<GTypeFlags>(0));
        return type;
    }

    // Hundredths of a decibel of attenuation to a linear factor; MUTED and beyond are silence.
    gfloat Attenuation(long hundredthsDb)
    {
        if (hundredthsDb >= MUTED) {
            return 0.0F;
        }
        return FactorOfDb(-static_cast<double>(hundredthsDb) / 100.0);
    }

} // namespace

GRef<GstElement> CreateGainStage()
{
    return GRef<GstElement>::Adopt(GST_ELEMENT(g_object_new(GainStageType(), nullptr)));
}

namespace {

    // Leaves passthrough once any level is off unity; only the streaming thread goes back to it, once
    // a glide has ended, so that no glide is cut short.
    void LeavePassthroughUnlessUnity(GstElement* stage, bool unity)
    {
        if (!unity) {
            gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(stage), FALSE);
        }
    }

} // namespace

void SetGainStageLevels(GstElement* stage, long level, long balance)
{
    GainStageInstance* self = Self(stage);
    const gfloat volume = Attenuation(-level);
    const gfloat left = balance > 0 ? Attenuation(balance) : 1.0F;
    const gfloat right = balance < 0 ? Attenuation(-balance) : 1.0F;

    GST_OBJECT_LOCK(stage);
    self->volume = volume;
    self->left = left;
    self->right = right;
    const bool unity = AtUnity(self);
    GST_OBJECT_UNLOCK(stage);
    LeavePassthroughUnlessUnity(stage, unity);
}

void SetGainStageTrim(GstElement* stage, double gainDb)
{
    GainStageInstance* self = Self(stage);
    const gfloat trim = gainDb == 0.0 ? 1.0F : FactorOfDb(std::clamp(gainDb, -40.0, 30.0));
    GST_OBJECT_LOCK(stage);
    self->trim = trim;
    const bool unity = AtUnity(self);
    GST_OBJECT_UNLOCK(stage);
    LeavePassthroughUnlessUnity(stage, unity);
}

void SetGainStageDuck(GstElement* stage, double attenuationDb, unsigned glideMs)
{
    GainStageInstance* self = Self(stage);
    const gfloat target = attenuationDb <= 0.0 ? 1.0F : FactorOfDb(-std::min(attenuationDb, 60.0));
    GST_OBJECT_LOCK(stage);
    const bool changed = target != self->duckTarget;
    self->duckTarget = target;
    self->duckGlideMs = glideMs;
    self->duckChanged = self->duckChanged || changed ? TRUE : FALSE;
    const bool unity = AtUnity(self);
    GST_OBJECT_UNLOCK(stage);
    // A glide back to unity must still be played out by the streaming thread.
    LeavePassthroughUnlessUnity(stage, unity && !changed);
}

} // namespace sonarel::gst
