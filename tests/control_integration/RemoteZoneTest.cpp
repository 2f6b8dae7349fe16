// A zone on another computer: a loudspeaker of a second sound server (standing for the other
// computer, reached over its socket) that the test server offers through its network audio, as a
// site sets it up with a tunnel sink. The engine lists it like a local device; the tone arrives
// there whole; when the other computer goes away the stream stops with "Audio device lost" and
// nothing reaches a local zone; once it is back, the tunnel's device returns and plays again.

#include "IntegrationSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace itest;

constexpr const char* REMOTE_DEVICE = "Annex Remote (annex)";

// The second server, in a folder of the build tree; stopped whatever happens.
class OtherComputer {
public:
    OtherComputer()
        : m_dir(std::string(TESSALY_BINARY_DIR) + "/remote-sound-server")
    {
    }
    ~OtherComputer() { Stop(); }
    OtherComputer(const OtherComputer&) = delete;
    OtherComputer& operator=(const OtherComputer&) = delete;

    [[nodiscard]] bool Start()
    {
        int status = -1;
        // Its own runtime and state folders: the script sets them for the server it starts.
        m_server = Shell("env -u PULSE_SERVER " + Script() + " start '" + m_dir + "' pulseaudio", &status);
        m_server.erase(m_server.find_last_not_of(" \n") + 1);
        return status == 0 && !m_server.empty();
    }
    void Stop() { (void)Shell(Script() + " stop '" + m_dir + "'"); }
    [[nodiscard]] const std::string& Server() const { return m_server; }

private:
    static std::string Script() { return std::string(TESSALY_SOURCE_DIR) + "/scripts/sound-server"; }

    std::string m_dir;
    std::string m_server;
};

// The test server's tunnel to the other computer's Zone 2, named "Annex Remote": the module that
// keeps the description and reconnects by itself where the server has it (PulseAudio), the
// server's own tunnel otherwise (PipeWire).
class Tunnel {
public:
    // Whether the tunnel finds its peer again by itself once it is back; PipeWire's tunnel (0.3.65)
    // does not, and is loaded again, as a site's start script would.
    [[nodiscard]] bool Reconnects() const { return m_reconnects; }

    [[nodiscard]] bool Load(const std::string& server)
    {
        Unload();
        const std::string arguments = " server=" + server
            + " sink=zone2 sink_name=annex 'sink_properties=\"device.description='\\''Annex Remote'\\''\"'";
        for (const char* module : { "module-tunnel-sink-new", "module-tunnel-sink" }) {
            int status = -1;
            m_module = Shell(std::string("pactl load-module ") + module + arguments
                    + (std::string(module).ends_with("-new") ? " reconnect_interval_ms=1000" : "")
                    + " 2>/dev/null",
                &status);
            m_module.erase(m_module.find_last_not_of(" \n") + 1);
            if (status == 0 && !m_module.empty()) {
                std::printf("[ measure ] tunnel: %s\n", module);
                m_reconnects = std::string(module).ends_with("-new");
                return true;
            }
        }
        return false;
    }
    void Unload()
    {
        if (!m_module.empty())
            (void)Shell("pactl unload-module " + m_module + " 2>/dev/null");
        m_module.clear();
    }
    ~Tunnel() { Unload(); }

private:
    std::string m_module;
    bool m_reconnects = false;
};

TEST(RemoteZoneTest, PlaysOnTheOtherComputerStopsCleanlyWhenItGoesAndPlaysAgainWhenItReturns)
{
    ASSERT_TRUE(SoundServerReady());
    OtherComputer other;
    ASSERT_TRUE(other.Start());
    Tunnel tunnel;
    ASSERT_TRUE(tunnel.Load(other.Server()));
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    ASSERT_TRUE(control);
    ASSERT_TRUE(PumpUntil([&] { return control->IsAudioDeviceExist(REMOTE_DEVICE); }, 5s))
        << REMOTE_DEVICE << " is not listed";

    // The tone arrives there, whole and at its level.
    {
        MonitorRecorder remote("zone2", other.Server());
        ASSERT_TRUE(remote.Start()) << remote.Error();
        ASSERT_TRUE(control->OpenStream(0, Media("tone.wav").c_str(), REMOTE_DEVICE, 1));
        ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 8s));
        Pump(500ms);
        ASSERT_TRUE(remote.Stop()) << remote.Error();
        const SoundLevels levels = MeasureRms(remote.Samples(), MonitorRecorder::kChannels, kSilenceDbfs);
        std::printf("[ measure ] remote zone: %.2f s of the 3.5 s tone at %.2f dBFS\n",
            levels.Seconds(MonitorRecorder::kRate), levels.rmsDbfs.empty() ? 0.0 : levels.rmsDbfs[0]);
        // PipeWire's tunnel loses up to 0.2 s at the start of a stream; PulseAudio's less.
        EXPECT_GT(levels.Seconds(MonitorRecorder::kRate), 3.25);
        EXPECT_LT(levels.Seconds(MonitorRecorder::kRate), 3.6);
        ASSERT_FALSE(levels.rmsDbfs.empty());
        EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 1.0);
        EXPECT_TRUE(log.Errors().empty());
    }

    // The other computer goes away while the zone plays: the stream stops with the loss, and not a
    // sample of it reaches a zone of this computer.
    {
        std::vector<std::unique_ptr<MonitorRecorder>> local;
        for (const char* zone : { "zone1", "zone2", "zone3" })
            local.push_back(Record(zone));
        log.Clear();
        ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), REMOTE_DEVICE, 1));
        Pump(1s);
        other.Stop();
        EXPECT_TRUE(PumpUntil([&] { return !log.Errors().empty(); }, 5s))
            << "no error when the remote zone went";
        EXPECT_EQ(log.Errors(), std::vector<std::string> { "Audio device lost" });
        short state = -1;
        EXPECT_TRUE(control->GetStreamState(0, &state));
        EXPECT_EQ(state, sonarel::STATE_STOPPED);
        Pump(2s);
        for (const auto& zone : local)
            EXPECT_TRUE(Silent(*zone)) << "the remote zone's stream was heard on " << zone->Sink();
    }

    // It comes back: the reconnecting tunnel's device returns, and the next open plays there again.
    ASSERT_TRUE(other.Start());
    if (!tunnel.Reconnects()) {
        ASSERT_TRUE(tunnel.Load(other.Server()));
    }
    const double back = NowMs();
    const bool returned = PumpUntil([&] { return control->IsAudioDeviceExist(REMOTE_DEVICE); }, 15s);
    std::printf("[ measure ] remote zone listed again %.1f s after its computer came back\n",
        (NowMs() - back) / 1000);
    ASSERT_TRUE(returned);
    MonitorRecorder remote("zone2", other.Server());
    ASSERT_TRUE(remote.Start()) << remote.Error();
    log.Clear();
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), REMOTE_DEVICE, 1));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 8s));
    Pump(500ms);
    ASSERT_TRUE(remote.Stop()) << remote.Error();
    EXPECT_FALSE(IsSilent(remote.Samples(), kSilenceDbfs))
        << "nothing reached the remote zone after its return";
}

} // namespace
