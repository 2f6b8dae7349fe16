// Output devices by name, wide-buffer results, media detection and the format of a playing stream.

#include "ControlFixture.h"

#include "control/DeviceName.h"

#include <gmock/gmock.h>

#include <array>

namespace {

using namespace sonarel;
using namespace sonarel::test;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(DeviceNameRule, DeviceNamesFromFriendlyNames)
{
    EXPECT_EQ(DeviceNameFromFriendlyName(u"DirectSound: Zone 1 (zone1)"), u"Zone 1 (zone1)");
    EXPECT_EQ(DeviceNameFromFriendlyName(u"Zone 1 (zone1)"), u"Zone 1 (zone1)");
    // The mark anywhere still drops the first 13 characters, whatever they are.
    EXPECT_EQ(DeviceNameFromFriendlyName(u"Out DirectSound: X"), u"nd: X");
    EXPECT_EQ(DeviceNameFromFriendlyName(u"DirectSound:"), u"");
    EXPECT_EQ(DeviceNameFromFriendlyName(u"Default DirectSound Device"), std::nullopt);
    EXPECT_EQ(DeviceNameFromFriendlyName(u"Zone (1"), std::nullopt);
    EXPECT_EQ(DeviceNameFromFriendlyName(u"Zone 1)"), std::nullopt);
    EXPECT_EQ(DeviceNameFromFriendlyName(u")("), u")(");
}

class DeviceTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        fake->devices = {
            { u"Default DirectSound Device" },
            { u"DirectSound: Zone 1 (zone1)" },
            { std::nullopt }, // a name that cannot be read
            { u"Zone 1 (zone1)" },
            { u"Caf\u00e9 (zone2)" },
        };
    }
    std::u16string Device(short index, short length = 64)
    {
        std::array<char16_t, 64> name {};
        if (!control->GetAudioDevice(index, name.data(), length)) {
            return u"<none>";
        }
        return std::u16string(name.data());
    }
};

TEST_F(DeviceTest, CountNamesAndExistence)
{
    EXPECT_EQ(control->GetAudioDeviceNums(), 3); // duplicates both counted
    EXPECT_EQ(Device(0), u"Zone 1 (zone1)");
    EXPECT_EQ(Device(1), u"Zone 1 (zone1)");
    EXPECT_EQ(Device(2), u"Caf\u00e9 (zone2)");
    EXPECT_EQ(Device(3), u"<none>");
    EXPECT_EQ(Device(-1), u"<none>");
    EXPECT_FALSE(control->GetAudioDevice(0, nullptr, 10));

    EXPECT_TRUE(control->IsAudioDeviceExist("Zone 1 (zone1)"));
    EXPECT_TRUE(control->IsAudioDeviceExist("Caf\xC3\xA9 (zone2)"));
    EXPECT_FALSE(control->IsAudioDeviceExist("zone 1 (zone1)"));
    EXPECT_FALSE(control->IsAudioDeviceExist("Default DirectSound Device"));
    EXPECT_FALSE(control->IsAudioDeviceExist(nullptr));
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(DeviceTest, LookupTakesTheFirstMatch)
{
    ASSERT_TRUE(control->OpenStream(0, file.c_str(), "Zone 1 (zone1)", 0));
    EXPECT_EQ(fake->devices[1].binds, 1);
    EXPECT_EQ(fake->devices[3].binds, 0);
}

TEST_F(DeviceTest, EnumeratorFailures)
{
    fake->createEnumeratorResult = E_OUTOFMEMORY_STATUS;
    EXPECT_EQ(control->GetAudioDeviceNums(), 0);
    EXPECT_EQ(Device(0), u"<none>");
    EXPECT_FALSE(control->IsAudioDeviceExist("Zone 1 (zone1)"));
    const std::string failed
        = "Error(-1," + std::to_string(E_OUTOFMEMORY_STATUS) + ",Create enumerator failed)";
    EXPECT_THAT(listener.Take(), ElementsAre(failed, failed, failed));

    fake->createEnumeratorResult = S_OK_STATUS;
    fake->enumerateResult = E_FAIL_STATUS;
    EXPECT_EQ(control->GetAudioDeviceNums(), 0);
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(-1," + std::to_string(E_FAIL_STATUS) + ",Create enumerator failed)"));

    // No devices at all is no failure.
    fake->enumerateResult = S_OK_STATUS;
    fake->devices.clear();
    EXPECT_EQ(control->GetAudioDeviceNums(), 0);
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(DeviceTest, WideBufferCopyRules)
{
    // One guard character past the given length must survive every copy.
    constexpr char16_t CANARY = u'\uBEEF';
    std::array<char16_t, 32> buffer {};
    buffer.fill(CANARY);

    ASSERT_TRUE(control->GetAudioDevice(0, buffer.data(), 6)); // shorter than the name: no terminator
    EXPECT_EQ(std::u16string(buffer.data(), 7), std::u16string(u"Zone 1") + CANARY);

    buffer.fill(CANARY);
    ASSERT_TRUE(control->GetAudioDevice(0, buffer.data(), 14)); // exactly the name: no terminator
    EXPECT_EQ(std::u16string(buffer.data(), 15), std::u16string(u"Zone 1 (zone1)") + CANARY);

    buffer.fill(CANARY);
    ASSERT_TRUE(control->GetAudioDevice(0, buffer.data(), 20)); // longer: zero-filled to the length
    EXPECT_EQ(std::u16string(buffer.data(), 21),
        std::u16string(u"Zone 1 (zone1)") + std::u16string(6, u'\0') + CANARY);

    buffer.fill(CANARY);
    EXPECT_TRUE(control->GetAudioDevice(0, buffer.data(), 0));
    EXPECT_TRUE(control->GetAudioDevice(0, buffer.data(), -5));
    EXPECT_EQ(buffer[0], CANARY);
}

TEST_F(DeviceTest, StreamNamesAndTheirCheckOrder)
{
    ASSERT_TRUE(control->OpenStream(0, file.c_str(), "Caf\xC3\xA9 (zone2)", 0));
    std::array<char16_t, 40> name {};
    ASSERT_TRUE(control->GetStreamAudioDev(0, name.data(), 40));
    EXPECT_EQ(std::u16string(name.data()), u"Caf\u00e9 (zone2)");
    name.fill(u'\uBEEF');
    ASSERT_TRUE(control->GetStreamFile(0, name.data(), 3));
    EXPECT_EQ(std::u16string(name.data(), 4), std::u16string(file.begin(), file.begin() + 3) + u'\uBEEF');

    // On the default device the stored device name is empty.
    ASSERT_TRUE(control->OpenStream(1, file.c_str(), "", 0));
    name.fill(u'x');
    ASSERT_TRUE(control->GetStreamAudioDev(1, name.data(), 40));
    EXPECT_EQ(name[0], u'\0');
    EXPECT_EQ(name[39], u'\0');
    listener.Take();

    // The device name checks the buffer before the stream, the file name the stream first.
    EXPECT_FALSE(control->GetStreamAudioDev(2, nullptr, 10));
    EXPECT_FALSE(control->GetStreamFile(2, nullptr, 10));
    EXPECT_THAT(listener.Take(), ElementsAre("Error(2,0,Null Pointer)"));
    EXPECT_FALSE(control->GetStreamFile(0, nullptr, 10));
    EXPECT_THAT(listener.Take(), ElementsAre("Error(0,0,Null Pointer)"));
}

class MediaDetectTest : public ControlTest { };

TEST_F(MediaDetectTest, ComputesBlockAlignAndRateFromTheFormat)
{
    fake->detection.firstStreamSeconds = 3.5009;
    fake->detection.audio = { 2, 44100, 1, 3, 16 }; // its own block align and rate are ignored
    std::int32_t duration = 0;
    std::int32_t rate = 0;
    std::int32_t bytes = 0;
    short channels = 0;
    short align = 0;
    short bits = 0;
    ASSERT_TRUE(control->MediaDetect(file.c_str(), &duration, &channels, &align, &rate, &bits, &bytes));
    EXPECT_EQ(duration, 3500);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(align, 4);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(bytes, 176400);
    EXPECT_THAT(fake->detectedPaths, ElementsAre(file));

    // Every output may be left out; 12-bit mono rounds the block align down.
    fake->detection.audio = { 1, 8000, 0, 0, 12 };
    ASSERT_TRUE(control->MediaDetect(file.c_str(), nullptr, nullptr, &align, nullptr, nullptr, &bytes));
    EXPECT_EQ(align, 1);
    EXPECT_EQ(bytes, 8000);
    ASSERT_TRUE(control->MediaDetect(file.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_THAT(listener.Take(), IsEmpty());
}

TEST_F(MediaDetectTest, FailuresCarryStreamMinusOne)
{
    std::int32_t duration = 0;
    EXPECT_FALSE(control->MediaDetect(nullptr, &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    fake->detection.failure = MediaDetection::Failure::Open;
    EXPECT_FALSE(control->MediaDetect(file.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    fake->detection.failure = MediaDetection::Failure::Length;
    EXPECT_FALSE(control->MediaDetect(file.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    fake->detection.failure = MediaDetection::Failure::NoAudio;
    EXPECT_FALSE(control->MediaDetect(file.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    fake->detection.failure = MediaDetection::Failure::None;
    fake->detection.firstStreamSeconds = 1e300;
    EXPECT_FALSE(control->MediaDetect(file.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    fake->detectorAvailable = false;
    EXPECT_FALSE(control->MediaDetect(file.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(-1,0,Null Pointer)", "Error(-1,0,Media detect failed)",
            "Error(-1,0,Get stream duration failed)", "Error(-1,0,Get media information failed)",
            "Error(-1,0,Get stream duration failed)", "Error(-1,0,Media detect failed)"));
}

TEST_F(ControlTest, StreamInfoAsksTheRendererOfTheStreamsDevice)
{
    fake->devices = { { u"Zone 1 (zone1)" } };
    fake->prepareGraph = [](FakeGraph& graph) { graph.pinFormat = { 2, 48000, 192000, 4, 16 }; };
    ASSERT_TRUE(control->OpenStream(0, file.c_str(), "Zone 1 (zone1)", 0));
    ASSERT_TRUE(control->OpenStream(1, file.c_str(), nullptr, 0));
    short channels = 0;
    short align = 0;
    short bits = 0;
    std::int32_t rate = 0;
    std::int32_t bytes = 0;
    EXPECT_TRUE(control->GetStreamInfo(0, &channels, &align, &rate, &bits, &bytes));
    EXPECT_TRUE(control->GetStreamInfo(1, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_THAT(Graph(0).searchedNames, ElementsAre("KV Audio Render"));
    EXPECT_THAT(Graph(1).searchedNames, ElementsAre("Default DirectSound Device"));
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(align, 4);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(bytes, 192000);
    listener.Take();

    // Formats that the wave format cannot express give false without an event.
    Graph(0).exactWaveFormat = false;
    EXPECT_FALSE(control->GetStreamInfo(0, &channels, &align, &rate, &bits, &bytes));
    EXPECT_THAT(listener.Take(), IsEmpty());

    Graph(0).pinFormatResult = E_FAIL_STATUS;
    EXPECT_FALSE(control->GetStreamInfo(0, &channels, nullptr, nullptr, nullptr, nullptr));
    Graph(0).hasPin = false;
    EXPECT_FALSE(control->GetStreamInfo(0, &channels, nullptr, nullptr, nullptr, nullptr));
    Graph(0).filters.clear();
    EXPECT_FALSE(control->GetStreamInfo(0, &channels, nullptr, nullptr, nullptr, nullptr));
    EXPECT_THAT(listener.Take(),
        ElementsAre("Error(0,0,Get media type failed)", "Error(0,0,Get filter pin failed)",
            "Error(0,0,Find filter failed)"));

    control->CloseStream(1);
    listener.Take();
    EXPECT_FALSE(control->GetStreamInfo(1, &channels, nullptr, nullptr, nullptr, nullptr));
    EXPECT_THAT(listener.Take(), IsEmpty());
}

} // namespace
