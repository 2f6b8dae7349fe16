#pragma once

// The control on the fake platform, with a listener that records every event as text and a real
// audio file path (the control checks that the file exists before it renders it).

#include "FakePlatform.h"

#include "control/Sonarel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace sonarel::test {

class RecordingListener : public ISonarelEvents {
public:
    std::vector<std::string> events;
    // Called after each event is recorded, to act from inside the event.
    std::function<void(const std::string&)> react;

    void OnError(short id, std::int32_t lRet, const char* text) override
    {
        Record("Error(" + std::to_string(id) + "," + std::to_string(lRet) + "," + text + ")");
    }
    void OnComplete(short id) override { Record("Complete(" + std::to_string(id) + ")"); }
    void OnStateChanged(short id, short oldState, short newState) override
    {
        Record("State(" + std::to_string(id) + "," + std::to_string(oldState) + "," + std::to_string(newState)
            + ")");
    }
    void OnPosChanged(short id, short oldPosition, short newPosition) override
    {
        Record("Pos(" + std::to_string(id) + "," + std::to_string(oldPosition) + ","
            + std::to_string(newPosition) + ")");
    }
    void OnElapsedChanged(short id, std::int32_t elapsed) override
    {
        Record("Elapsed(" + std::to_string(id) + "," + std::to_string(elapsed) + ")");
    }

    // The events since the last call.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(events);
        return taken;
    }

private:
    void Record(std::string event)
    {
        events.push_back(event);
        if (react) {
            react(event);
        }
    }
};

using Events = std::vector<std::string>;

// Reference time of a number of milliseconds.
constexpr RefTime Ms(std::int64_t milliseconds)
{
    return milliseconds * 10000;
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path()
            / ("sonarel-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::create_directories(dir);
        file = MakeFile("tone.wav");
        other = MakeFile("other.mp3");
        auto platform = std::make_unique<FakePlatform>();
        fake = platform.get();
        log = fake->log;
        control = CreateSonarelWithPlatform(std::move(platform), &listener);
    }
    void TearDown() override
    {
        control.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::string MakeFile(const std::string& name)
    {
        const std::filesystem::path path = dir / name;
        std::ofstream(path) << "RIFF";
        return path.string();
    }

    // Opens the test file on stream id and forgets the events and calls of the open.
    void Open(short id, short play = 0, const char* device = nullptr)
    {
        ASSERT_TRUE(control->OpenStream(id, file.c_str(), device, play));
        listener.Take();
        log->clear();
    }
    FakeGraph& Graph(std::size_t index = 0) { return *fake->graphs.at(index); }
    short State(short id)
    {
        short state = -1;
        EXPECT_TRUE(control->GetStreamState(id, &state));
        return state;
    }
    // Fires the 200 ms ticks of all playing streams once.
    void Tick() { fake->loop.FireAll(200); }

    std::filesystem::path dir;
    std::string file;
    std::string other;
    RecordingListener listener;
    FakePlatform* fake = nullptr;
    std::shared_ptr<CallLog> log;
    std::unique_ptr<ISonarel> control;
};

} // namespace sonarel::test
