#include "control/gst/GainStage.h"

#include <gst/audio/audio.h>
#include <gst/audio/gstaudiofilter.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

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
        // Set up from the caps on the streaming thread.
        Side sides[MAX_CHANNELS];
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
        return TRUE;
    }

    // Per-channel gains are at most 1 (the stage only attenuates), so 16-bit samples are scaled in
    // 1.15 fixed point and never overflow.
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
        GST_OBJECT_UNLOCK(transform);

        gfloat gains[MAX_CHANNELS];
        gint32 fixedGains[MAX_CHANNELS];
        for (int channel = 0; channel < channels; ++channel) {
            const Side side = self->sides[channel];
            gains[channel] = volume * (side == Side::Left ? left : side == Side::Right ? right : 1.0F);
            fixedGains[channel]
                = std::clamp(static_cast<gint32>(std::lround(gains[channel] * Q15_ONE)), 0, Q15_ONE);
        }

        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
            return GST_FLOW_ERROR;
        }
        if (GST_AUDIO_INFO_FORMAT(info) == GST_AUDIO_FORMAT_S16) {
            ProcessS16(reinterpret_cast<gint16*>(map.data), map.size / sizeof(gint16), channels, fixedGains);
        } else {
            ProcessF32(reinterpret_cast<gfloat*>(map.data), map.size / sizeof(gfloat), channels, gains);
        }
        gst_buffer_unmap(buffer, &map);
        return GST_FLOW_OK;
    }

    void ClassInit(gpointer klass, gpointer /*data*/)
    {
        auto* elementClass = GST_ELEMENT_CLASS(klass);
        gst_element_class_set_static_metadata(elementClass, "Volume and balance", "Filter/Effect/Audio",
            "Applies a stream's volume and balance", "Sonarel");

        GstCaps* caps
            = gst_caps_from_string("audio/x-raw, format=(string){ " GST_AUDIO_NE(S16) ", " GST_AUDIO_NE(
                F32) " }, rate=(int)[ 1, max ], channels=(int)[ 1, 64 ], layout=(string)interleaved");
        gst_audio_filter_class_add_pad_templates(GST_AUDIO_FILTER_CLASS(klass), caps);
        gst_caps_unref(caps);

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
        return static_cast<gfloat>(std::pow(10.0, -static_cast<double>(hundredthsDb) / 2000.0));
    }

} // namespace

GRef<GstElement> CreateGainStage()
{
    return GRef<GstElement>::Adopt(GST_ELEMENT(g_object_new(GainStageType(), nullptr)));
}

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
    GST_OBJECT_UNLOCK(stage);
    gst_base_transform_set_passthrough(
        GST_BASE_TRANSFORM(stage), volume == 1.0F && left == 1.0F && right == 1.0F);
}

} // namespace sonarel::gst
