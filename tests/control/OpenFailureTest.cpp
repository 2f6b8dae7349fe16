// How an open fails: which error, with which status, and what the failed open leaves behind.

#include "ControlFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace sonarel;
using namespace sonarel::test;

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Error(short id, HResult status, const std::string& text)
{
    return "Error(" + std::to_string(id) + "," + std::to_string(status) + "," + text + ")";
}

TEST_F(ControlTest, NullFileName)
{
    EXPECT_FALSE(control->OpenStream(1, nullptr, nullptr, 1));
    EXPECT_THAT(listener.Take(), ElementsAre("Error(1,-1,Null Pointer)"));
    EXPECT_TRUE(fake->graphs.empty());
}

TEST_F(ControlTest, GraphThatCannotBeCreated)
{
    fake->createGraphResult = E_OUTOFMEMORY_STATUS;
    EXPECT_FALSE(control->OpenStream(1, file.c_str(), nullptr, 1));
    EXPECT_THAT(listener.Take(), ElementsAre("Error(1,-1,Create interface failed)"));
}

TEST_F(ControlTest, MissingFileFailsAfterThePreviousContentIsTornDown)
{
    Open(0, 1);
    const std::string missing = (dir / "missing.wav").string();
    EXPECT_FALSE(control->OpenStream(0, missing.c_str(), nullptr, 1));
    EXPECT_THAT(listener.Take(), ElementsAre("State(0,2,1)", "Error(0,-1,The file is not exist)"));
    EXPECT_TRUE(Graph().filters.empty());
    float amplify = 0;
    EXPECT_FALSE(control->GetAudioAmplify(0, &amplify)); // the DSP filter is gone too

    // The graph stays, and with it the names of the last successful open.
    char16_t name[300] {};
    EXPECT_TRUE(control->GetStreamFile(0, name, 300));
    EXPECT_EQ(std::u16string(name), std::u16string(file.begin(), file.end()));
    EXPECT_EQ(State(0), STATE_STOPPED);
}

TEST_F(ControlTest, DirectoryIsNotAFile)
{
    EXPECT_FALSE(control->OpenStream(0, dir.string().c_str(), nullptr, 0));
    EXPECT_THAT(listener.Take(), ElementsAre("Error(0,-1,The file is not exist)"));
}

TEST_F(ControlTest, DeviceThatCannotBeUsed)
{
    fake->devices = { { u"Zone 1 (zone1)" }, { u"Zone 2 (zone2)", E_UNSUPPORTED_STATUS } };
    // No such device, a device whose renderer cannot be made, and devices that cannot be listed.
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), "Zone 3 (zone3)", 0));
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), "Zone 2 (zone2)", 0));
    fake->createEnumeratorResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), "Zone 1 (zone1)", 0));
    // After the first failure the stream has a graph, which the next open's teardown stops.
    const std::string failed = "Error(0,-1,Add audio render filter failed)";
    EXPECT_THAT(listener.Take(), ElementsAre(failed, "State(0,0,1)", failed, failed));

    // The renderer is found but the graph refuses it.
    fake->createEnumeratorResult = S_OK_STATUS;
    Graph().addFilterResult = E_UNSUPPORTED_STATUS;
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), "Zone 1 (zone1)", 0));
    EXPECT_THAT(listener.Take(), ElementsAre(failed));
}

TEST_F(ControlTest, MissingDspModuleFailsEveryOpenWithTheGenericStatus)
{
    fake->dspAvailable = false;
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 1));
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 1));
    const std::string failed = Error(0, E_FAIL_STATUS, "Add audio process filter failed");
    EXPECT_THAT(listener.Take(), ElementsAre(failed, "State(0,0,1)", failed));
    EXPECT_THAT(fake->loadedModules, ElementsAre("libSonarelDsp.so", "libSonarelDsp.so"));
}

TEST_F(ControlTest, DspSetUpReportsTheFailingCallsStatus)
{
    fake->createFilterResult = E_OUTOFMEMORY_STATUS;
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 0));
    fake->createFilterResult = S_OK_STATUS;

    fake->prepareDsp = [](FakeDspControl& dsp) { dsp.addStageResult = E_UNSUPPORTED_STATUS; };
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 0));

    fake->prepareDsp = [](FakeDspControl& dsp) { dsp.getStageResult = E_NOT_FOUND_STATUS; };
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 0));

    // A stage that answers success without a stage must not be used.
    fake->prepareDsp = [](FakeDspControl& dsp) { dsp.nullStages = true; };
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 0));

    EXPECT_THAT(listener.Take(),
        ElementsAre(Error(0, E_OUTOFMEMORY_STATUS, "Add audio process filter failed"), "State(0,0,1)",
            Error(0, E_UNSUPPORTED_STATUS, "Add audio process filter failed"),
            Error(0, E_NOT_FOUND_STATUS, "Add audio process filter failed"),
            Error(0, E_FAIL_STATUS, "Add audio process filter failed")));
}

TEST_F(ControlTest, OnlyTheEqualiserStagesEnableDecidesTheSetUp)
{
    fake->prepareDsp = [](FakeDspControl& dsp) { dsp.stageEnableResult[dsp::STAGE_AMPLIFY] = E_FAIL_STATUS; };
    EXPECT_TRUE(control->OpenStream(0, file.c_str(), nullptr, 0));
    fake->prepareDsp
        = [](FakeDspControl& dsp) { dsp.stageEnableResult[dsp::STAGE_EQUALIZER] = E_UNSUPPORTED_STATUS; };
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), nullptr, 0));
    EXPECT_THAT(listener.Take(),
        ElementsAre("State(0,0,3)", "State(0,3,1)",
            Error(0, E_UNSUPPORTED_STATUS, "Add audio process filter failed")));
}

TEST_F(ControlTest, RenderFailureCarriesItsStatus)
{
    fake->prepareGraph = [](FakeGraph& graph) { graph.renderResult = E_TIMEOUT_STATUS; };
    EXPECT_FALSE(control->OpenStream(4, file.c_str(), nullptr, 1));
    EXPECT_THAT(listener.Take(), ElementsAre(Error(4, E_TIMEOUT_STATUS, "Render file failed")));
    // Nothing was played, and the renderer and DSP filter stay in the graph until the next open.
    EXPECT_EQ(Graph().transport, FakeGraph::Transport::Stopped);
    EXPECT_EQ(Graph().filters.size(), 1U);
}

TEST_F(ControlTest, StoredNamesAreCutOnWholeCharacters)
{
    // A path longer than the stored field, with a two-byte character across the cut.
    std::filesystem::path deep = dir;
    while (deep.string().size() < 240) {
        deep /= "abcdefghij";
    }
    std::string name(257 - deep.string().size(), 'x');
    name += "\xC3\xA9tude.wav"; // "é" at bytes 258-259 of the path
    std::filesystem::create_directories(deep);
    const std::string path = (deep / name).string();
    std::ofstream(path) << "RIFF";

    std::string device = std::string(126, 'd') + "\xE2\x82\xAC (x)"; // "€" at bytes 126-128
    fake->devices = { { std::u16string(device.begin(), device.begin() + 126) + u"\u20AC (x)" } };
    ASSERT_TRUE(control->OpenStream(0, path.c_str(), device.c_str(), 0));

    char16_t stored[300] {};
    ASSERT_TRUE(control->GetStreamFile(0, stored, 300));
    const std::u16string expected(path.begin(), path.begin() + 258);
    EXPECT_EQ(std::u16string(stored), expected);
    EXPECT_THAT(*log, Contains("RenderFile " + path)); // the file itself is rendered by its full name

    char16_t storedDevice[200] {};
    ASSERT_TRUE(control->GetStreamAudioDev(0, storedDevice, 200));
    EXPECT_EQ(std::u16string(storedDevice), std::u16string(126, u'd'));
}

} // namespace
