// The DSP module as Sonarel loads it: found by name next to the library, its stage protocol, and the
// promise that a stage at its neutral setting costs nothing (its element is passthrough).

#include "IntegrationSupport.h"
#include "control/gst/GRef.h"
#include "control/gst/GstElementFilter.h"
#include "control/gst/GstPlatform.h"
#include "dsp/DspEntry.h"

#include <gst/base/gstbasetransform.h>
#include <gtest/gtest.h>

namespace {

using sonarel::gst::GRef;
using sonarel::gst::GstElementFilter;
using sonarel::gst::GstPlatform;

class DspModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform = GstPlatform::Create();
        ASSERT_TRUE(platform);
        module = platform->LoadDspModule(dsp::DSP_MODULE_FILE_NAME);
        ASSERT_TRUE(module) << "libSonarelDsp.so is not next to libSonarel.so";
        ASSERT_EQ(module->CreateFilter(&filter, &control), dsp::S_OK_STATUS);
        ASSERT_TRUE(filter && control);
        bin = static_cast<GstElementFilter*>(filter.get())->Element();
    }

    // Sets the filter up as every stream open does.
    void SetUpStages()
    {
        ASSERT_EQ(control->SetActive(1), dsp::S_OK_STATUS);
        ASSERT_EQ(control->ResetStages(), dsp::S_OK_STATUS);
        ASSERT_EQ(control->AddStage(-1, dsp::STAGE_AMPLIFY), dsp::S_OK_STATUS);
        ASSERT_EQ(control->AddStage(-1, dsp::STAGE_EQUALIZER), dsp::S_OK_STATUS);
        ASSERT_EQ(control->GetStage(0, &amplify), dsp::S_OK_STATUS);
        ASSERT_EQ(control->GetStage(1, &equalizer), dsp::S_OK_STATUS);
        ASSERT_EQ(amplify->EnableStage(1), dsp::S_OK_STATUS);
        ASSERT_EQ(equalizer->EnableStage(1), dsp::S_OK_STATUS);
    }

    // Runs audio through the filter, so that its elements decide whether they have work to do.
    void Flow()
    {
        if (!pipeline) {
            pipeline = GRef<GstElement>::Adopt(gst_pipeline_new(nullptr));
            GRef<GstElement> source
                = GRef<GstElement>::Adopt(gst_element_factory_make("audiotestsrc", nullptr));
            GRef<GstElement> caps = GRef<GstElement>::Adopt(gst_element_factory_make("capsfilter", nullptr));
            GRef<GstElement> sink = GRef<GstElement>::Adopt(gst_element_factory_make("fakesink", nullptr));
            ASSERT_TRUE(source && caps && sink);
            g_object_set(source.get(), "samplesperbuffer", 441, nullptr);
            GstCaps* format = gst_caps_from_string("audio/x-raw,format=S16LE,rate=44100,channels=2");
            g_object_set(caps.get(), "caps", format, nullptr);
            gst_caps_unref(format);
            gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), caps.get(), bin, sink.get(), nullptr);
            ASSERT_TRUE(gst_element_link_many(source.get(), caps.get(), bin, sink.get(), nullptr));
            gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        }
        itest::Pump(std::chrono::milliseconds(60));
    }

    void TearDown() override
    {
        if (pipeline) {
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        }
    }

    bool Passthrough(const char* child)
    {
        Flow();
        GRef<GstElement> element = GRef<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(bin), child));
        EXPECT_TRUE(element) << child;
        return element && gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(element.get()));
    }

    std::unique_ptr<GstPlatform> platform;
    std::unique_ptr<sonarel::IDspModule> module;
    std::shared_ptr<sonarel::IFilter> filter;
    std::shared_ptr<dsp::IDspFilterControl> control;
    std::shared_ptr<dsp::IDspStage> amplify;
    std::shared_ptr<dsp::IDspStage> equalizer;
    GstElement* bin = nullptr;
    GRef<GstElement> pipeline;
};

TEST_F(DspModuleTest, OnlyAPlainFileNameNextToTheLibraryLoads)
{
    EXPECT_FALSE(platform->LoadDspModule("libNoSuchDsp.so"));
    EXPECT_FALSE(platform->LoadDspModule(""));
    EXPECT_FALSE(platform->LoadDspModule(std::string(TESSALY_BINARY_DIR) + "/lib/libSonarelDsp.so"));
    // Loading again gives a working module each time, as every open does.
    EXPECT_TRUE(platform->LoadDspModule(dsp::DSP_MODULE_FILE_NAME));
}

TEST_F(DspModuleTest, TheFilterIsABinWithOneSinkAndOneSourcePad)
{
    EXPECT_TRUE(GST_IS_BIN(bin));
    GRef<GstPad> sink = GRef<GstPad>::Adopt(gst_element_get_static_pad(bin, "sink"));
    GRef<GstPad> source = GRef<GstPad>::Adopt(gst_element_get_static_pad(bin, "src"));
    EXPECT_TRUE(sink && source);
    EXPECT_FALSE(GST_OBJECT_FLAG_IS_SET(bin, GST_ELEMENT_FLAG_SINK)) << "must not be taken for a renderer";
}

TEST_F(DspModuleTest, StagesAnswerAtTheirIndexInTheOrderAdded)
{
    SetUpStages();
    long value = 0;
    EXPECT_EQ(amplify->GetAmplification(0, &value), dsp::S_OK_STATUS);
    EXPECT_EQ(value, dsp::AMPLIFICATION_UNITY);
    std::int8_t band = 1;
    EXPECT_EQ(equalizer->GetBandGain(0, 0, &band), dsp::S_OK_STATUS);
    EXPECT_EQ(band, 0);

    // The amplifier has no bands and the equaliser no amplification.
    EXPECT_LT(amplify->SetBandGain(0, 0, 3), 0);
    EXPECT_LT(equalizer->SetAmplification(0, 20000), 0);

    std::shared_ptr<dsp::IDspStage> none;
    EXPECT_LT(control->GetStage(2, &none), 0);
    EXPECT_LT(control->GetStage(-1, &none), 0);
    EXPECT_FALSE(none);
    // One stage of each kind; unknown kinds are refused.
    EXPECT_LT(control->AddStage(-1, dsp::STAGE_AMPLIFY), 0);
    EXPECT_LT(control->AddStage(-1, 2), 0);
    // A reset starts over, with neutral values.
    ASSERT_EQ(amplify->SetAmplification(0, 30000), dsp::S_OK_STATUS);
    ASSERT_EQ(control->ResetStages(), dsp::S_OK_STATUS);
    EXPECT_LT(control->GetStage(0, &none), 0);
    SetUpStages();
    EXPECT_EQ(amplify->GetAmplification(0, &value), dsp::S_OK_STATUS);
    EXPECT_EQ(value, dsp::AMPLIFICATION_UNITY);
}

TEST_F(DspModuleTest, ValuesReadBackAsSetWithinTheirRanges)
{
    SetUpStages();
    for (long set : { 10000L, 10001L, 23456L, 100000L }) {
        long value = 0;
        ASSERT_EQ(amplify->SetAmplification(0, set), dsp::S_OK_STATUS);
        ASSERT_EQ(amplify->GetAmplification(0, &value), dsp::S_OK_STATUS);
        EXPECT_EQ(value, set);
    }
    EXPECT_LT(amplify->SetAmplification(0, 100001), 0);
    EXPECT_LT(amplify->SetAmplification(0, -1), 0);
    EXPECT_LT(amplify->SetAmplification(1, 20000), 0) << "only channel 0, all channels";

    const std::pair<long, std::int8_t> bands[] = { { 5, 5 }, { -7, -7 }, { 12, 12 }, { 13, 12 }, { 1000, 12 },
        { -24, -24 }, { -25, -24 }, { -1000, -24 } };
    for (const auto& [set, expected] : bands) {
        std::int8_t value = 0;
        ASSERT_EQ(equalizer->SetBandGain(0, 9, set), dsp::S_OK_STATUS);
        ASSERT_EQ(equalizer->GetBandGain(0, 9, &value), dsp::S_OK_STATUS);
        EXPECT_EQ(value, expected) << set;
    }
    // Indices past the last band are accepted and ignored; negative ones are not.
    std::int8_t value = 1;
    EXPECT_EQ(equalizer->SetBandGain(0, 10, 6), dsp::S_OK_STATUS);
    EXPECT_EQ(equalizer->SetBandGain(0, 1023, 6), dsp::S_OK_STATUS);
    EXPECT_EQ(equalizer->GetBandGain(0, 8192, &value), dsp::S_OK_STATUS);
    EXPECT_EQ(value, 0);
    EXPECT_LT(equalizer->SetBandGain(0, -1, 6), 0);
    EXPECT_LT(equalizer->GetBandGain(0, -1, &value), 0);
}

TEST_F(DspModuleTest, NeutralStagesArePassthrough)
{
    SetUpStages();
    EXPECT_TRUE(Passthrough("amplify"));
    EXPECT_TRUE(Passthrough("equalizer"));

    ASSERT_EQ(amplify->SetAmplification(0, 20000), dsp::S_OK_STATUS);
    ASSERT_EQ(equalizer->SetBandGain(0, 4, 6), dsp::S_OK_STATUS);
    EXPECT_FALSE(Passthrough("amplify"));
    EXPECT_FALSE(Passthrough("equalizer"));

    // Disabled stages and an inactive filter keep their values but leave the audio alone.
    ASSERT_EQ(amplify->EnableStage(0), dsp::S_OK_STATUS);
    EXPECT_TRUE(Passthrough("amplify"));
    EXPECT_FALSE(Passthrough("equalizer"));
    ASSERT_EQ(control->SetActive(0), dsp::S_OK_STATUS);
    EXPECT_TRUE(Passthrough("equalizer"));
    ASSERT_EQ(control->SetActive(1), dsp::S_OK_STATUS);
    ASSERT_EQ(amplify->EnableStage(1), dsp::S_OK_STATUS);
    EXPECT_FALSE(Passthrough("amplify"));
    EXPECT_FALSE(Passthrough("equalizer"));

    ASSERT_EQ(amplify->SetAmplification(0, dsp::AMPLIFICATION_UNITY), dsp::S_OK_STATUS);
    ASSERT_EQ(equalizer->SetBandGain(0, 4, 0), dsp::S_OK_STATUS);
    EXPECT_TRUE(Passthrough("amplify"));
    EXPECT_TRUE(Passthrough("equalizer"));
}

TEST_F(DspModuleTest, AStageAddedButNotEnabledChangesNothing)
{
    ASSERT_EQ(control->SetActive(1), dsp::S_OK_STATUS);
    ASSERT_EQ(control->AddStage(-1, dsp::STAGE_AMPLIFY), dsp::S_OK_STATUS);
    ASSERT_EQ(control->GetStage(0, &amplify), dsp::S_OK_STATUS);
    ASSERT_EQ(amplify->SetAmplification(0, 50000), dsp::S_OK_STATUS);
    EXPECT_TRUE(Passthrough("amplify"));
    ASSERT_EQ(amplify->EnableStage(1), dsp::S_OK_STATUS);
    EXPECT_FALSE(Passthrough("amplify"));
}

TEST_F(DspModuleTest, TheControlOutlivesItsBin)
{
    SetUpStages();
    Flow();
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    pipeline.reset();
    filter.reset();
    module.reset();
    // The stages still drive their elements, which the control keeps.
    long value = 0;
    EXPECT_EQ(amplify->SetAmplification(0, 20000), dsp::S_OK_STATUS);
    EXPECT_EQ(amplify->GetAmplification(0, &value), dsp::S_OK_STATUS);
    EXPECT_EQ(value, 20000);
}

} // namespace
