// The GStreamer graph below the control: filter bookkeeping, graph events and their thread, the
// generation that keeps a stale end of file from completing the next file, and parked graphs.

#include "IntegrationSupport.h"
#include "control/gst/GstFilterGraph.h"
#include "control/gst/GstPlatform.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace itest;
using sonarel::EC_COMPLETE;
using sonarel::IFilter;
using sonarel::IFilterGraph;
using sonarel::RefTime;
using sonarel::S_OK_STATUS;
using sonarel::gst::GstPlatform;

constexpr RefTime REF_PER_MS = 10000;

class FilterGraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SoundServerReady());
        platform = GstPlatform::Create();
        ASSERT_TRUE(platform);
        ASSERT_EQ(platform->CreateGraph(&graph), S_OK_STATUS);
        ASSERT_TRUE(graph);
    }

    std::vector<long> DrainEvents()
    {
        std::vector<long> codes;
        long code = 0;
        while (graph->GetEvent(&code, nullptr)) {
            codes.push_back(code);
        }
        return codes;
    }

    // The graph prerolls a rendered file after RenderFile has returned; the duration tells when.
    [[nodiscard]] bool WaitPrerolled()
    {
        return PumpUntil(
            [&] {
                RefTime duration = 0;
                return graph->GetDuration(&duration) == S_OK_STATUS && duration > 0;
            },
            5s);
    }

    std::unique_ptr<GstPlatform> platform;
    std::unique_ptr<IFilterGraph> graph;
};

TEST_F(FilterGraphTest, RenderingAddsTheChainAndTheDefaultRendererByName)
{
    ASSERT_EQ(graph->RenderFile(Media("tone.wav")), S_OK_STATUS);
    ASSERT_TRUE(WaitPrerolled());
    const std::shared_ptr<IFilter> renderer = graph->FindFilterByName("Default DirectSound Device");
    ASSERT_TRUE(renderer);
    bool hasPin = false;
    sonarel::WaveFormat format;
    bool exact = false;
    // The graph is not running: the renderer still knows its format.
    ASSERT_EQ(graph->GetInputPinFormat(renderer, &hasPin, &format, &exact), S_OK_STATUS);
    EXPECT_TRUE(hasPin && exact);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSec, 44100U);
    EXPECT_EQ(format.bitsPerSample, 16);
    // A source has no input pin.
    ASSERT_EQ(graph->GetInputPinFormat(graph->FindFilterByName("File Source"), &hasPin, &format, &exact),
        sonarel::E_NOT_FOUND_STATUS);
    EXPECT_FALSE(hasPin);

    // Every filter comes out one by one, as an open's teardown does it.
    int removed = 0;
    while (const std::shared_ptr<IFilter> filter = graph->FirstFilter()) {
        ASSERT_EQ(graph->RemoveFilter(filter), S_OK_STATUS);
        ++removed;
    }
    EXPECT_GE(removed, 6);
    EXPECT_FALSE(graph->FindFilterByName("Default DirectSound Device"));
    EXPECT_NE(graph->Run(), S_OK_STATUS) << "nothing is left to run";
}

TEST_F(FilterGraphTest, VolumeAndBalanceReadBackExactlyAndRejectWhatIsOutOfRange)
{
    ASSERT_EQ(graph->RenderFile(Media("tone.wav")), S_OK_STATUS);
    for (long level : { 0L, -1L, -40L, -2000L, -3960L, -4000L, -9999L, -10000L }) {
        long read = 1;
        ASSERT_EQ(graph->PutVolume(level), S_OK_STATUS);
        ASSERT_EQ(graph->GetVolume(&read), S_OK_STATUS);
        EXPECT_EQ(read, level);
    }
    for (long balance : { -10000L, -1L, 0L, 1L, 7777L, 10000L }) {
        long read = 1;
        ASSERT_EQ(graph->PutBalance(balance), S_OK_STATUS);
        ASSERT_EQ(graph->GetBalance(&read), S_OK_STATUS);
        EXPECT_EQ(read, balance);
    }
    EXPECT_LT(graph->PutVolume(1), 0);
    EXPECT_LT(graph->PutVolume(-10001), 0);
    EXPECT_LT(graph->PutBalance(10001), 0);
    EXPECT_LT(graph->PutBalance(-10001), 0);
}

TEST_F(FilterGraphTest, TheEndOfAFileIsAnnouncedOnTheControlsThreadOnly)
{
    ASSERT_EQ(graph->RenderFile(Media("tone-1s.wav")), S_OK_STATUS);
    const std::thread::id controlThread = std::this_thread::get_id();
    std::vector<long> codes;
    bool otherThread = false;
    ASSERT_EQ(graph->SetNotify([&] {
        otherThread = otherThread || std::this_thread::get_id() != controlThread;
        const std::vector<long> drained = DrainEvents();
        codes.insert(codes.end(), drained.begin(), drained.end());
    }),
        S_OK_STATUS);
    ASSERT_EQ(graph->Run(), S_OK_STATUS);
    ASSERT_TRUE(PumpUntil([&] { return !codes.empty(); }, 5s));
    EXPECT_EQ(codes, std::vector<long> { EC_COMPLETE });
    EXPECT_FALSE(otherThread);
    ASSERT_EQ(graph->SetNotify({}), S_OK_STATUS);
}

TEST_F(FilterGraphTest, AStaleEndOfFileDoesNotCompleteTheNextFile)
{
    ASSERT_EQ(graph->RenderFile(Media("tone-1s.wav")), S_OK_STATUS);
    ASSERT_EQ(graph->Run(), S_OK_STATUS);
    // The file ends while nobody iterates the main loop: its end waits on the bus.
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(graph->Stop(), S_OK_STATUS);
    ASSERT_EQ(graph->RenderFile(Media("tone-10s.wav")), S_OK_STATUS);
    ASSERT_EQ(graph->Run(), S_OK_STATUS);
    Pump(500ms);
    EXPECT_TRUE(DrainEvents().empty());

    // Likewise the end of a file that a seek has left behind.
    ASSERT_TRUE(WaitPrerolled());
    RefTime duration = 0;
    ASSERT_EQ(graph->GetDuration(&duration), S_OK_STATUS);
    ASSERT_EQ(graph->SetPositions(duration), S_OK_STATUS);
    std::this_thread::sleep_for(500ms);
    ASSERT_EQ(graph->SetPositions(0), S_OK_STATUS);
    Pump(300ms);
    EXPECT_TRUE(DrainEvents().empty());
    ASSERT_EQ(graph->Stop(), S_OK_STATUS);
}

TEST_F(FilterGraphTest, AParkedGraphRemembersPositionAndRateAndStartsThere)
{
    ASSERT_EQ(graph->RenderFile(Media("tone-10s.wav")), S_OK_STATUS);
    RefTime position = -1;
    ASSERT_EQ(graph->GetCurrentPosition(&position), S_OK_STATUS);
    EXPECT_EQ(position, 0);
    ASSERT_EQ(graph->SetPositions(4000 * REF_PER_MS), S_OK_STATUS);
    ASSERT_EQ(graph->SetRate(2.0), S_OK_STATUS);
    ASSERT_EQ(graph->GetCurrentPosition(&position), S_OK_STATUS);
    EXPECT_EQ(position, 4000 * REF_PER_MS);

    ASSERT_EQ(graph->Run(), S_OK_STATUS);
    Pump(500ms);
    ASSERT_EQ(graph->GetCurrentPosition(&position), S_OK_STATUS);
    EXPECT_NEAR(static_cast<double>(position / REF_PER_MS), 5000, 250);
    double rate = 0;
    ASSERT_EQ(graph->GetRate(&rate), S_OK_STATUS);
    EXPECT_EQ(rate, 2.0);
    EXPECT_LT(graph->SetRate(0), 0);
    EXPECT_LT(graph->SetRate(-1), 0);
    EXPECT_LT(graph->SetPositions(-1), 0);
    ASSERT_EQ(graph->Stop(), S_OK_STATUS);
}

TEST_F(FilterGraphTest, FiltersAreFoundByNameAndDuplicateNamesAreNumbered)
{
    std::unique_ptr<sonarel::IDspModule> module = platform->LoadDspModule("libSonarelDsp.so");
    ASSERT_TRUE(module);
    std::shared_ptr<IFilter> first;
    std::shared_ptr<IFilter> second;
    std::shared_ptr<dsp::IDspFilterControl> control;
    ASSERT_EQ(module->CreateFilter(&first, &control), S_OK_STATUS);
    ASSERT_EQ(module->CreateFilter(&second, &control), S_OK_STATUS);
    ASSERT_EQ(graph->AddFilter(first, "KV DC-DSP Filter"), S_OK_STATUS);
    ASSERT_EQ(graph->AddFilter(second, "KV DC-DSP Filter"), S_OK_STATUS);
    EXPECT_LT(graph->AddFilter(first, "Again"), 0) << "a filter is in a graph once";
    EXPECT_LT(graph->AddFilter(nullptr, "Nothing"), 0);
    EXPECT_EQ(graph->FindFilterByName("KV DC-DSP Filter"), first);
    EXPECT_EQ(graph->FindFilterByName("KV DC-DSP Filter 0001"), second);
    EXPECT_EQ(graph->FirstFilter(), first);
    ASSERT_EQ(graph->RemoveFilter(first), S_OK_STATUS);
    EXPECT_EQ(graph->RemoveFilter(first), sonarel::E_NOT_FOUND_STATUS);
    EXPECT_EQ(graph->FirstFilter(), second);
}

TEST_F(FilterGraphTest, ABrokenFileIsReportedAfterRenderingWithoutHangingAndTheGraphStaysUsable)
{
    for (const char* file : { "bad.mp3", "empty.wav", "text.flac" }) {
        const std::string path = Media(file);
        const double start = NowMs();
        ASSERT_EQ(graph->RenderFile(path), S_OK_STATUS) << file << ": the chain itself can be built";
        EXPECT_LT(NowMs() - start, 1000) << file;
        std::vector<long> codes;
        EXPECT_TRUE(PumpUntil(
            [&] {
                const std::vector<long> drained = DrainEvents();
                codes.insert(codes.end(), drained.begin(), drained.end());
                return !codes.empty();
            },
            6s))
            << file;
        EXPECT_EQ(codes, std::vector<long> { sonarel::EC_RENDER_FAILED }) << file;
        EXPECT_LT(graph->Run(), 0) << file;
        RefTime duration = 0;
        EXPECT_LT(graph->GetDuration(&duration), 0) << file;
    }
    ASSERT_EQ(graph->RenderFile(Media("tone-1s.wav")), S_OK_STATUS);
    ASSERT_TRUE(WaitPrerolled());
    RefTime duration = 0;
    ASSERT_EQ(graph->GetDuration(&duration), S_OK_STATUS);
    EXPECT_EQ(duration, 1000 * REF_PER_MS);
}

TEST_F(FilterGraphTest, ThePositionKeepsMovingAfterEverySeek)
{
    ASSERT_EQ(graph->RenderFile(Media("tone-10s.wav")), S_OK_STATUS);
    ASSERT_EQ(graph->Run(), S_OK_STATUS);
    Pump(300ms);
    for (int round = 0; round < 8; ++round) {
        // Half of the seeks from a paused graph, as the control seeks a playing stream.
        if (round % 2 == 1) {
            ASSERT_EQ(graph->Pause(), S_OK_STATUS);
        }
        const RefTime target = (1000 + 500 * round) * REF_PER_MS;
        ASSERT_EQ(graph->SetPositions(target), S_OK_STATUS);
        ASSERT_EQ(graph->Run(), S_OK_STATUS);
        RefTime position = 0;
        EXPECT_TRUE(PumpUntil(
            [&] {
                return graph->GetCurrentPosition(&position) == S_OK_STATUS
                    && position > target + 50 * REF_PER_MS;
            },
            1s))
            << "round " << round << " stuck at " << position / REF_PER_MS << " ms";
    }
    ASSERT_EQ(graph->Stop(), S_OK_STATUS);
}

} // namespace
