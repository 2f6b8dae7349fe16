// Volume, balance, rate, position and seeking, amplification and the equaliser: the conversions
// between the control's units and the platform's, and the parameter checks.

#include "ControlFixture.h"

#include <gmock/gmock.h>

#include <cmath>

namespace {

using namespace sonarel;
using namespace sonarel::test;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* INVALID = "Error(0,0,The parameter is invalid)";

TEST_F(ControlTest, VolumeIsFortyDecibelsLinear)
{
    Open(0);
    const std::pair<short, long> table[]
        = { { 100, 0 }, { 99, -40 }, { 50, -2000 }, { 1, -3960 }, { 0, -4000 } };
    for (const auto& [volume, level] : table) {
        EXPECT_TRUE(control->SetVolume(0, volume));
        EXPECT_EQ(Graph().volume, level);
        short back = -1;
        EXPECT_TRUE(control->GetVolume(0, &back));
        EXPECT_EQ(back, volume);
    }
    // A level below the control's range, set by other means, reads below 0.
    Graph().volume = -10000;
    short back = 0;
    EXPECT_TRUE(control->GetVolume(0, &back));
    EXPECT_EQ(back, -150);
    Graph().volume = -4039; // truncated toward zero
    EXPECT_TRUE(control->GetVolume(0, &back));
    EXPECT_EQ(back, 0);
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(ControlTest, VolumeAndBalanceChecks)
{
    Open(0);
    EXPECT_FALSE(control->SetVolume(0, 101));
    EXPECT_FALSE(control->SetVolume(0, -1));
    EXPECT_FALSE(control->GetVolume(0, nullptr));
    EXPECT_THAT(listener.Take(), ElementsAre(INVALID, INVALID, "Error(0,0,Null Pointer)"));

    // Balance out of range fails without a word.
    EXPECT_FALSE(control->SetBalance(0, 10001));
    EXPECT_FALSE(control->SetBalance(0, -10001));
    EXPECT_THAT(listener.Take(), IsEmpty());
    EXPECT_THAT(*log, IsEmpty());

    EXPECT_TRUE(control->SetBalance(0, -10000));
    EXPECT_TRUE(control->SetBalance(0, 10000));
    short balance = 0;
    EXPECT_TRUE(control->GetBalance(0, &balance));
    EXPECT_EQ(balance, 10000);
    EXPECT_THAT(*log, ElementsAre("PutBalance -10000", "PutBalance 10000"));

    Graph().volumeResult = E_FAIL_STATUS;
    Graph().balanceResult = E_FAIL_STATUS;
    short value = 0;
    EXPECT_FALSE(control->SetVolume(0, 50));
    EXPECT_FALSE(control->GetVolume(0, &value));
    EXPECT_FALSE(control->SetBalance(0, 0));
    EXPECT_FALSE(control->GetBalance(0, &value));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0,0,Set volume failed)", "Error(0,0,Get volume failed)",
            "Error(0,0,Set balance failed)", "Error(0,0,Get balance failed)"));
}

TEST_F(ControlTest, PositionDurationAndElapsed)
{
    Open(0);
    Graph().duration = Ms(200000) + 9999;
    Graph().position = Ms(50000) + 9999;
    std::int32_t duration = 0;
    short percent = -1;
    EXPECT_TRUE(control->GetStreamDuration(0, &duration));
    EXPECT_EQ(duration, 200000);
    EXPECT_EQ(control->GetElapsed(0), 50000);
    EXPECT_TRUE(control->GetStreamPosition(0, &percent));
    EXPECT_EQ(percent, 25);

    // An unknown (zero) duration reports position 0 instead of dividing by it.
    Graph().duration = 0;
    EXPECT_TRUE(control->GetStreamPosition(0, &percent));
    EXPECT_EQ(percent, 0);

    // Durations too long for a 64-bit product still give the right percentage.
    Graph().duration = 400'000'000'000'000'000;
    Graph().position = 100'000'000'000'000'000;
    EXPECT_TRUE(control->GetStreamPosition(0, &percent));
    EXPECT_EQ(percent, 25);
    EXPECT_THAT(listener.Take(), IsEmpty());

    Graph().positionResult = E_FAIL_STATUS;
    EXPECT_EQ(control->GetElapsed(0), 0); // silently
    EXPECT_FALSE(control->GetStreamPosition(0, &percent));
    Graph().durationResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->GetStreamPosition(0, &percent));
    EXPECT_FALSE(control->GetStreamDuration(0, &duration));
    EXPECT_FALSE(control->GetStreamDuration(0, nullptr));
    EXPECT_FALSE(control->GetStreamPosition(0, nullptr));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0,0,Get stream position failed)", "Error(0,0,Get stream duration failed)",
            "Error(0,0,Get stream duration failed)", "Error(0,0,Null Pointer)", "Error(0,0,Null Pointer)"));
}

TEST_F(ControlTest, SeekPausesMovesAndRestoresTheStoredState)
{
    Open(0, 1);
    Graph().duration = Ms(60000) + 3;
    EXPECT_TRUE(control->SetStreamPosition(0, 100));
    EXPECT_TRUE(control->SetStreamPosition(0, 33));
    EXPECT_THAT(*log,
        ElementsAre("Pause", "SetPositions " + std::to_string(Ms(60000) + 3), "Run", "Pause",
            "SetPositions " + std::to_string((Ms(60000) + 3) * 33 / 100), "Run"));

    // Stopped stays stopped, paused stays paused; the state itself never changes.
    ASSERT_TRUE(control->Stop(0));
    log->clear();
    EXPECT_TRUE(control->SetStreamPosition(0, 0));
    EXPECT_THAT(*log, ElementsAre("Pause", "SetPositions 0", "Stop"));
    ASSERT_TRUE(control->Pause(0));
    log->clear();
    EXPECT_TRUE(control->SetStreamPosition(0, 50));
    EXPECT_THAT(*log, ElementsAre("Pause", "SetPositions " + std::to_string((Ms(60000) + 3) * 50 / 100)));
    EXPECT_EQ(State(0), STATE_PAUSED);
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "State(0,1,3)"));
}

TEST_F(ControlTest, SeekFailures)
{
    Open(0, 1);
    Graph().duration = Ms(1000);
    EXPECT_FALSE(control->SetStreamPosition(0, 101));
    EXPECT_FALSE(control->SetStreamPosition(0, -1));
    EXPECT_THAT(*log, IsEmpty());

    // The move fails: the graph runs again all the same.
    Graph().setPositionsResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->SetStreamPosition(0, 10));
    EXPECT_EQ(Graph().transport, FakeGraph::Transport::Running);

    // No duration: the graph is left paused while the stream still says it plays.
    log->clear();
    Graph().durationResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->SetStreamPosition(0, 10));
    EXPECT_THAT(*log, ElementsAre("Pause"));
    EXPECT_EQ(State(0), STATE_PLAYING);
    EXPECT_THAT(listener.Take(),
        ElementsAre(INVALID, INVALID, "Error(0,0,Set stream position failed)",
            "Error(0,0,Get stream duration failed)"));
}

TEST_F(ControlTest, PlaySpeed)
{
    Open(0);
    EXPECT_TRUE(control->SetPlaySpeed(0, 0.5));
    double speed = 0;
    EXPECT_TRUE(control->GetPlaySpeed(0, &speed));
    EXPECT_EQ(speed, 0.5);
    EXPECT_THAT(listener.Take(), IsEmpty());

    EXPECT_FALSE(control->SetPlaySpeed(0, 0.0));
    EXPECT_FALSE(control->SetPlaySpeed(0, -1.0));
    EXPECT_FALSE(control->SetPlaySpeed(0, std::nan("")));
    EXPECT_FALSE(control->GetPlaySpeed(0, nullptr));
    Graph().setRateResult = E_UNSUPPORTED_STATUS;
    Graph().getRateResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->SetPlaySpeed(0, 4.0));
    EXPECT_FALSE(control->GetPlaySpeed(0, &speed));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0,-1,The parameter is invalid)", "Error(0,-1,The parameter is invalid)",
            "Error(0,-1,The parameter is invalid)", "Error(0,-1,Null Pointer)",
            "Error(0," + std::to_string(E_UNSUPPORTED_STATUS) + ",Set play spped failed)",
            "Error(0," + std::to_string(E_FAIL_STATUS) + ",Get play speed failed)"));
}

TEST_F(ControlTest, Amplification)
{
    Open(0);
    log->clear();
    EXPECT_TRUE(control->SetAudioAmplify(0, 1.0F));
    EXPECT_TRUE(control->SetAudioAmplify(0, 10.0F));
    EXPECT_TRUE(control->SetAudioAmplify(0, 2.5F));
    EXPECT_THAT(*log,
        ElementsAre("GetStage 0", "SetAmplification 10000", "GetStage 0", "SetAmplification 100000",
            "GetStage 0", "SetAmplification 25000"));
    float amplify = 0;
    fake->dsp->Amplifier().amplification = 12345;
    EXPECT_TRUE(control->GetAudioAmplify(0, &amplify));
    EXPECT_FLOAT_EQ(amplify, 1.2345F);
    EXPECT_THAT(listener.Take(), IsEmpty());

    EXPECT_FALSE(control->SetAudioAmplify(0, 0.99F));
    EXPECT_FALSE(control->SetAudioAmplify(0, 10.01F));
    EXPECT_FALSE(control->SetAudioAmplify(0, std::nanf("")));
    EXPECT_FALSE(control->GetAudioAmplify(0, nullptr));
    fake->dsp->Amplifier().amplificationResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->SetAudioAmplify(0, 2.0F));
    EXPECT_THAT(listener.Take(),
        ElementsAre(INVALID, INVALID, INVALID, INVALID, "Error(0,0,Set audio amplify failed)"));

    // Without the stage, setting fails and reading gives unity.
    fake->dsp->getStageResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->SetAudioAmplify(0, 2.0F));
    EXPECT_TRUE(control->GetAudioAmplify(0, &amplify));
    EXPECT_EQ(amplify, 1.0F);
    EXPECT_THAT(listener.Take(), ElementsAre("Error(0,0,Get audio amplify failed)"));
}

TEST_F(ControlTest, EqualiserBandRanges)
{
    Open(0);
    FakeStage& equalizer = fake->dsp->Equalizer();
    EXPECT_TRUE(control->SetAudioBand(0, 5, 5, 3)); // empty range
    EXPECT_TRUE(equalizer.bandCalls.empty());

    EXPECT_TRUE(control->SetAudioBand(0, 0, 1024, -7));
    ASSERT_EQ(equalizer.bandCalls.size(), 1024U);
    EXPECT_EQ(equalizer.bandCalls.front(), std::make_pair(0L, -7L));
    EXPECT_EQ(equalizer.bandCalls.back(), std::make_pair(1023L, -7L));
    EXPECT_THAT(listener.Take(), IsEmpty());

    EXPECT_FALSE(control->SetAudioBand(0, 0, 1025, 0));
    EXPECT_FALSE(control->SetAudioBand(0, -1, 3, 0));
    EXPECT_FALSE(control->SetAudioBand(0, 4, 3, 0));
    EXPECT_EQ(equalizer.bandCalls.size(), 1024U);
    EXPECT_THAT(listener.Take(), ElementsAre(INVALID, INVALID, INVALID));

    // Every band is tried; only the last one's status counts.
    equalizer.bandCalls.clear();
    equalizer.bandResult = [](long band) { return band == 1 ? E_FAIL_STATUS : S_OK_STATUS; };
    EXPECT_TRUE(control->SetAudioBand(0, 0, 3, 1));
    equalizer.bandResult = [](long band) { return band == 2 ? E_FAIL_STATUS : S_OK_STATUS; };
    EXPECT_FALSE(control->SetAudioBand(0, 0, 3, 1));
    EXPECT_EQ(equalizer.bandCalls.size(), 6U);
    fake->dsp->nullStages = true;
    EXPECT_FALSE(control->SetAudioBand(0, 0, 3, 1));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0,0,Set audio equalizer failed)", "Error(0,0,Get audio equalizer failed)"));
}

TEST_F(ControlTest, EqualiserBandReadBack)
{
    Open(0);
    fake->dsp->Equalizer().bands = { { 8192, -12 }, { 3, 100 } };
    short band = 0;
    EXPECT_TRUE(control->GetAudioBand(0, 8192, &band));
    EXPECT_EQ(band, -12); // the byte is signed
    EXPECT_TRUE(control->GetAudioBand(0, 3, &band));
    EXPECT_EQ(band, 100);
    EXPECT_THAT(listener.Take(), IsEmpty());

    EXPECT_FALSE(control->GetAudioBand(0, 8193, &band));
    EXPECT_FALSE(control->GetAudioBand(0, -1, &band));
    EXPECT_FALSE(control->GetAudioBand(0, 0, nullptr));
    EXPECT_THAT(listener.Take(), ElementsAre(INVALID, INVALID, INVALID));

    // Without the stage the band reads 0.
    fake->dsp->getStageResult = E_FAIL_STATUS;
    band = 5;
    EXPECT_TRUE(control->GetAudioBand(0, 3, &band));
    EXPECT_EQ(band, 0);
}

} // namespace
