// Stream ids, opening, transport, the tick, completion, and listeners that call back.

#include "ControlFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace sonarel;
using namespace sonarel::test;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(ControlTest, InvalidIdsRaiseWithStreamMinusOneExceptCloseStream)
{
    for (const short id : { short(8), short(-1), short(-32768) }) {
        short value = 0;
        EXPECT_FALSE(control->Play(id));
        EXPECT_EQ(control->GetElapsed(id), 0);
        EXPECT_FALSE(control->GetStreamState(id, &value));
        EXPECT_FALSE(control->OpenStream(id, file.c_str(), nullptr, 1));
        EXPECT_FALSE(control->SetAudioBand(id, 0, 1, 0));
        const std::string invalid = "Error(-1,0,The Stream ID is invalid)";
        EXPECT_THAT(listener.Take(), ElementsAre(invalid, invalid, invalid, invalid, invalid));
    }
    control->CloseStream(8);
    control->CloseStream(-32768);
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(8,-1,The Stream ID is invalid)", "Error(-32768,-1,The Stream ID is invalid)"));
    EXPECT_TRUE(fake->graphs.empty());
}

TEST_F(ControlTest, NeverOpenedStreamFailsSilently)
{
    EXPECT_EQ(State(7), STATE_CLOSED);
    short value = 0;
    std::int32_t duration = 0;
    float amplify = 0;
    char16_t name[4] {};
    EXPECT_FALSE(control->Play(7));
    EXPECT_FALSE(control->Pause(7));
    EXPECT_FALSE(control->Stop(7));
    EXPECT_FALSE(control->SetVolume(7, 50));
    EXPECT_FALSE(control->GetStreamDuration(7, &duration));
    EXPECT_FALSE(control->GetAudioAmplify(7, &amplify));
    EXPECT_FALSE(control->GetStreamInfo(7, &value, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(control->GetStreamFile(7, name, 4));
    EXPECT_EQ(control->GetElapsed(7), 0);
    control->CloseStream(7);
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(ControlTest, OpenBuildsTheGraphInOrder)
{
    fake->devices = { { u"Zone 1 (zone1)" } };
    ASSERT_TRUE(control->OpenStream(2, file.c_str(), "Zone 1 (zone1)", 0));
    EXPECT_THAT(*log,
        ElementsAre("CreateGraph", "AddFilter KV Audio Render", "LoadDspModule libSonarelDsp.so",
            "AddFilter KV DC-DSP Filter", "SetActive 1", "ResetStages", "AddStage -1 1", "AddStage -1 8",
            "GetStage 0", "EnableStage 1 1", "GetStage 1", "EnableStage 8 1", "RenderFile " + file,
            "SetNotify"));
    EXPECT_THAT(listener.Take(), ElementsAre("State(2,0,3)"));
    EXPECT_EQ(fake->devices[0].binds, 1);

    // A second open reuses the graph, empties it filter by filter and loads the module again.
    log->clear();
    ASSERT_TRUE(control->OpenStream(2, other.c_str(), nullptr, 0));
    EXPECT_EQ(fake->graphs.size(), 1U);
    EXPECT_THAT(*log,
        ElementsAre("Stop", "RemoveFilter KV Audio Render", "RemoveFilter KV DC-DSP Filter",
            "RemoveFilter source", "LoadDspModule libSonarelDsp.so", "AddFilter KV DC-DSP Filter",
            "SetActive 1", "ResetStages", "AddStage -1 1", "AddStage -1 8", "GetStage 0", "EnableStage 1 1",
            "GetStage 1", "EnableStage 8 1", "RenderFile " + other, "SetNotify"));
    EXPECT_THAT(listener.Take(), ElementsAre("State(2,3,1)", "State(2,0,3)"));
}

TEST_F(ControlTest, OpenWithPlayRunsAndStartsTheTick)
{
    ASSERT_TRUE(control->OpenStream(0, file.c_str(), "", 1));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,0,2)"));
    EXPECT_EQ(Graph().transport, FakeGraph::Transport::Running);
    EXPECT_EQ(fake->loop.Running(200).size(), 1U);
    EXPECT_TRUE(Graph().notify);
}

TEST_F(ControlTest, ReopeningAPlayingStream)
{
    Open(0, 1);
    ASSERT_TRUE(control->OpenStream(0, other.c_str(), nullptr, 0));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "State(0,0,3)"));
    EXPECT_TRUE(fake->loop.Running(200).empty());

    ASSERT_TRUE(control->Play(0));
    listener.Take();
    ASSERT_TRUE(control->OpenStream(0, file.c_str(), nullptr, 1));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "State(0,0,2)"));
    EXPECT_EQ(fake->loop.Running(200).size(), 1U);
}

TEST_F(ControlTest, TransportAndItsEvents)
{
    Open(0);
    EXPECT_TRUE(control->Play(0));
    EXPECT_TRUE(control->Play(0)); // already playing: nothing happens
    EXPECT_THAT(*log, ElementsAre("SetNotify", "Run", "StartTimer 200"));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,3,2)"));

    EXPECT_TRUE(control->Pause(0));
    EXPECT_TRUE(fake->loop.Running(200).empty());
    EXPECT_TRUE(control->Stop(0));
    EXPECT_TRUE(control->Stop(0));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,3)", "State(0,3,1)"));

    Graph().runResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->Play(0));
    Graph().runResult = S_OK_STATUS;
    Graph().setNotifyResult = E_TIMEOUT_STATUS;
    EXPECT_FALSE(control->Play(0));
    Graph().pauseResult = E_UNSUPPORTED_STATUS;
    EXPECT_FALSE(control->Pause(0));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0," + std::to_string(E_FAIL_STATUS) + ",Can't exec graph command)",
            "Error(0," + std::to_string(E_TIMEOUT_STATUS) + ",Set event notify window failed)",
            "Error(0," + std::to_string(E_UNSUPPORTED_STATUS) + ",Can't exec graph command)"));
    EXPECT_EQ(State(0), STATE_STOPPED);
}

TEST_F(ControlTest, CloseReleasesEverythingButKeepsTheNames)
{
    Open(0, 1);
    control->CloseStream(0);
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "State(0,1,0)"));
    EXPECT_THAT(*log, ElementsAre("Stop", "KillTimer", "ClearNotify", "graph destroyed"));
    EXPECT_EQ(fake->loop.Count(), 0U);
    float amplify = 0;
    EXPECT_FALSE(control->GetAudioAmplify(0, &amplify));

    // The name is still stored, but a closed stream does not give it.
    char16_t name[8] {};
    EXPECT_FALSE(control->GetStreamFile(0, name, 8));
    EXPECT_THAT(listener.Take(), IsEmpty());

    // The next open creates a new graph.
    Open(0);
    EXPECT_EQ(fake->graphs.size(), 2U);
}

TEST_F(ControlTest, CloseKillsATickThatAFailedStopLeftRunning)
{
    Open(0, 1);
    Graph().stopResult = E_FAIL_STATUS;
    control->CloseStream(0);
    EXPECT_EQ(fake->loop.Count(), 0U);
    EXPECT_THAT(listener.Take(),
        ElementsAre(
            "Error(0," + std::to_string(E_FAIL_STATUS) + ",Can't exec graph command)", "State(0,2,0)"));
}

TEST_F(ControlTest, TickReportsPositionChangesAndElapsedMovesOfASecond)
{
    Open(0, 1);
    Graph().duration = Ms(100000);
    Graph().position = Ms(999);
    Tick();
    EXPECT_THAT(listener.Take(), IsEmpty()); // 0 percent, 999 ms: nothing moved enough

    Graph().position = Ms(1000);
    Tick();
    EXPECT_THAT(listener.Take(), ElementsAre("Pos(0,0,1)", "Elapsed(0,1000)"));

    Graph().position = Ms(1999);
    Tick();
    EXPECT_THAT(listener.Take(), IsEmpty());

    // A seek back by a second or more is reported at once.
    Graph().position = Ms(0);
    Tick();
    EXPECT_THAT(listener.Take(), ElementsAre("Pos(0,1,0)", "Elapsed(0,0)"));

    // A failing query inside the tick reports itself.
    Graph().durationResult = E_FAIL_STATUS;
    Tick();
    EXPECT_THAT(listener.Take(), ElementsAre("Error(0,0,Get stream duration failed)"));
}

TEST_F(ControlTest, CompletionRaisesStateThenPositionThenComplete)
{
    Open(3, 1);
    Graph().duration = Ms(10000);
    Graph().position = Ms(3700);
    Tick();
    EXPECT_THAT(listener.Take(), ElementsAre("Pos(3,0,37)", "Elapsed(3,3700)"));
    log->clear();

    Graph().PostEvent(EC_COMPLETE);
    EXPECT_THAT(listener.Take(), ElementsAre("State(3,2,1)", "Pos(3,37,0)", "Complete(3)"));
    // Stopped, rewound while paused, and left stopped.
    EXPECT_THAT(*log, ElementsAre("Stop", "KillTimer", "Pause", "SetPositions 0", "Stop"));
    EXPECT_EQ(State(3), STATE_STOPPED);
    EXPECT_EQ(control->GetElapsed(3), 0);

    // Playing again from the start reports position 0 even though it was reported already.
    ASSERT_TRUE(control->Play(3));
    listener.Take();
    Graph().PostEvent(EC_COMPLETE);
    EXPECT_THAT(listener.Take(), ElementsAre("State(3,2,1)", "Pos(3,0,0)", "Complete(3)"));
}

TEST_F(ControlTest, ACompletionOfThePreviousFileDoesNotEndTheNextOne)
{
    Open(0, 1);
    Graph().events = { EC_COMPLETE }; // queued, its notification not yet delivered
    ASSERT_TRUE(control->OpenStream(0, other.c_str(), nullptr, 1));
    listener.Take();
    Graph().Notify();
    EXPECT_THAT(listener.Take(), IsEmpty());
    EXPECT_EQ(State(0), STATE_PLAYING);
}

TEST_F(ControlTest, OtherGraphEventsAreDrainedWithoutEffect)
{
    Open(0, 1);
    Graph().events = { 2, 14 };
    Graph().Notify();
    EXPECT_TRUE(Graph().events.empty());
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(ControlTest, FailuresFoundAfterTheCallLeaveTheStreamStoppedWithTheirText)
{
    // The graph finds these after the call that asked for the work has returned.
    const struct {
        long code;
        long param;
        const char* error; // nullptr: stopped without an error (a file that broke off while playing)
    } cases[] = {
        { EC_ERRORABORT, 0, nullptr },
        { EC_DEVICE_LOST, 0, "Error(0,0,Audio device lost)" },
        { EC_RENDER_FAILED, E_UNSUPPORTED_STATUS, "Error(0,-2147220891,Render file failed)" },
        { EC_COMMAND_FAILED, E_FAIL_STATUS, "Error(0,-2147467259,Can't exec graph command)" },
    };
    for (const auto& failure : cases) {
        Open(0, 1);
        listener.Take();
        Graph().eventParams = { failure.param };
        Graph().PostEvent(failure.code);
        if (failure.error != nullptr) {
            EXPECT_THAT(listener.Take(), ElementsAre(failure.error, "State(0,2,1)")) << failure.code;
        } else {
            EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)")) << failure.code;
        }
        EXPECT_EQ(State(0), STATE_STOPPED);
    }
    // A stream opened without playing hears of a file that does not play as well.
    Open(0, 0);
    listener.Take();
    Graph().PostEvent(EC_RENDER_FAILED);
    EXPECT_THAT(listener.Take(), ElementsAre("Error(0,0,Render file failed)", "State(0,3,1)"));
}

TEST_F(ControlTest, ListenerMayCloseTheStreamInsideOnComplete)
{
    Open(0, 1);
    listener.react = [this](const std::string& event) {
        if (event == "Complete(0)") {
            control->CloseStream(0);
        }
    };
    // Two completions queued: the second belongs to a graph that is gone by then.
    Graph().events = { EC_COMPLETE, EC_COMPLETE };
    Graph().Notify();
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "Pos(0,0,0)", "Complete(0)", "State(0,1,0)"));

    // The graph outlives its own notification and goes once the loop runs again.
    EXPECT_TRUE(*fake->graphAlive[0]);
    fake->loop.FireAll(10);
    EXPECT_FALSE(*fake->graphAlive[0]);
    EXPECT_EQ(fake->loop.Count(), 0U);
}

TEST_F(ControlTest, ListenerMayReopenAndPlayInsideOnComplete)
{
    Open(0, 1);
    listener.react = [this](const std::string& event) {
        if (event == "Complete(0)") {
            control->CloseStream(0);
            EXPECT_TRUE(control->OpenStream(0, other.c_str(), nullptr, 1));
        }
    };
    Graph(0).PostEvent(EC_COMPLETE);
    listener.react = nullptr;
    EXPECT_THAT(listener.Take(),
        ElementsAre("State(0,2,1)", "Pos(0,0,0)", "Complete(0)", "State(0,1,0)", "State(0,0,2)"));
    fake->loop.FireAll(10);
    EXPECT_FALSE(*fake->graphAlive[0]);

    // The new graph notifies and completes normally; the old one is never drained again.
    ASSERT_EQ(fake->graphs.size(), 2U);
    Graph(1).PostEvent(EC_COMPLETE);
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "Pos(0,0,0)", "Complete(0)"));
}

TEST_F(ControlTest, ListenerMayReopenWithoutClosingInsideOnComplete)
{
    Open(0, 1);
    listener.react = [this](const std::string& event) {
        if (event == "Complete(0)") {
            EXPECT_TRUE(control->OpenStream(0, other.c_str(), nullptr, 1));
        }
    };
    Graph().PostEvent(EC_COMPLETE);
    listener.react = nullptr;
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "Pos(0,0,0)", "Complete(0)", "State(0,0,2)"));
    EXPECT_EQ(State(0), STATE_PLAYING);
    // Same graph, and its notification still works.
    EXPECT_EQ(fake->graphs.size(), 1U);
    Graph().PostEvent(EC_COMPLETE);
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "Pos(0,0,0)", "Complete(0)"));
}

TEST_F(ControlTest, ListenerMayCloseTheStreamInsideATick)
{
    Open(0, 1);
    Graph().duration = Ms(10000);
    Graph().position = Ms(5000);
    listener.react = [this](const std::string& event) {
        if (event.rfind("Pos(0", 0) == 0) {
            control->CloseStream(0);
        }
    };
    Tick();
    // The tick ends once the stream is closed: no elapsed time for a stream that is gone.
    EXPECT_THAT(listener.Take(), ElementsAre("Pos(0,0,50)", "State(0,2,1)", "State(0,1,0)"));
    EXPECT_EQ(fake->loop.Count(), 0U);
    EXPECT_FALSE(*fake->graphAlive[0]);
}

TEST_F(ControlTest, ListenerSeesTheNewStateInsideOnStateChanged)
{
    Open(0, 1);
    short seen = -1;
    listener.react = [&](const std::string& event) {
        if (event == "State(0,2,1)") {
            EXPECT_TRUE(control->GetStreamState(0, &seen));
            EXPECT_TRUE(control->Play(0)); // must really run again, not see "already playing"
        }
    };
    EXPECT_TRUE(control->Stop(0));
    EXPECT_EQ(seen, STATE_STOPPED);
    EXPECT_EQ(State(0), STATE_PLAYING);
    EXPECT_EQ(Graph().transport, FakeGraph::Transport::Running);
    EXPECT_EQ(fake->loop.Running(200).size(), 1U);
}

TEST_F(ControlTest, PlayAfterAFailedStopDoesNotDoubleTheTick)
{
    Open(0, 1);
    Graph().stopResult = E_FAIL_STATUS;
    ASSERT_TRUE(control->OpenStream(0, other.c_str(), nullptr, 1)); // the teardown's stop fails
    EXPECT_EQ(fake->loop.Running(200).size(), 1U);
}

TEST_F(ControlTest, DestructionTearsDownWithoutEvents)
{
    Open(0, 1);
    Open(5);
    const auto alive = fake->graphAlive; // the platform goes with the control
    control.reset();
    EXPECT_THAT(listener.Take(), IsEmpty());
    EXPECT_FALSE(*alive[0]);
    EXPECT_FALSE(*alive[1]);
    EXPECT_THAT(*log,
        ElementsAre(
            "KillTimer", "Stop", "ClearNotify", "graph destroyed", "Stop", "ClearNotify", "graph destroyed"));
}

} // namespace
