// Measuring files without playing them, in every format the program offers, and the agreement of
// the fast header reader with GStreamer's discoverer.

#include "IntegrationSupport.h"
#include "control/gst/GstMediaDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

using namespace itest;
using sonarel::MediaDetection;
using sonarel::gst::DecodedDepthCache;
using sonarel::gst::GstMediaDetector;

struct Reference {
    const char* file;
    double seconds; // < 0: ffprobe's duration
    int channels;
    int rate;
};

// ffprobe only estimates AMR (from its first frames): 175 frames of 20 ms are 3.5 s. It cannot read
// MIDI at all: the file is written to last 3.5 s.
const Reference REFERENCES[] = {
    { "tone.wav", -1, 2, 44100 },
    { "tone.mp3", -1, 2, 44100 },
    { "tone.mp2", -1, 2, 44100 },
    { "tone.mpa", -1, 2, 44100 },
    { "tone.flac", -1, 2, 44100 },
    { "tone.aac", -1, 2, 44100 },
    { "tone.ac3", -1, 2, 44100 },
    { "tone.mka", -1, 2, 44100 },
    { "tone.wma", -1, 2, 44100 },
    { "tone.amr", 3.5, 1, 8000 },
    { "tone.ra", -1, 1, 8000 },
    { "tone.mid", 3.5, 2, 44100 },
};

double FfprobeSeconds(const std::string& path)
{
    int status = 0;
    const std::string output
        = Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'", &status);
    EXPECT_EQ(status, 0) << path;
    return std::atof(output.c_str());
}

TEST(MediaDetectTest, EveryOfferedFormatIsMeasuredWithin100ms)
{
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    for (const Reference& reference : REFERENCES) {
        const std::string path = Media(reference.file);
        const double expected = reference.seconds >= 0 ? reference.seconds : FfprobeSeconds(path);
        std::int32_t duration = 0;
        short channels = 0;
        short blockAlign = 0;
        std::int32_t rate = 0;
        short bits = 0;
        std::int32_t bytesPerSecond = 0;
        const double start = NowMs();
        ASSERT_TRUE(control->MediaDetectBlocking(
            path.c_str(), &duration, &channels, &blockAlign, &rate, &bits, &bytesPerSecond))
            << reference.file;
        EXPECT_LT(NowMs() - start, 5000) << reference.file;
        EXPECT_NEAR(duration, expected * 1000, 100) << reference.file;
        EXPECT_EQ(channels, reference.channels) << reference.file;
        EXPECT_EQ(rate, reference.rate) << reference.file;
        EXPECT_TRUE(bits == 8 || bits == 16 || bits == 24 || bits == 32) << reference.file << ": " << bits;
        EXPECT_EQ(blockAlign, channels * bits / 8) << reference.file;
        EXPECT_EQ(bytesPerSecond, blockAlign * rate) << reference.file;
    }
    EXPECT_TRUE(log.Errors().empty());
}

TEST(MediaDetectTest, TheFastPathReportsExactlyWhatTheDiscovererReports)
{
    auto depths = std::make_shared<DecodedDepthCache>();
    GstMediaDetector detector(depths);
    for (const char* file : { "tone.wav", "tone-1s.wav", "tone-10s.wav", "tone-left.wav", "tone.mp3",
             "tone.mp2", "tone.mpa", "tone.flac", "tone.wma" }) {
        const std::string path = Media(file);
        const MediaDetection discovered = GstMediaDetector::DetectWithDiscoverer(path);
        ASSERT_EQ(discovered.failure, MediaDetection::Failure::None) << file;
        // The first file of a kind teaches the detector that kind's decoded depth.
        const MediaDetection first = detector.Detect(path);
        const std::optional<MediaDetection> fast = detector.DetectFast(path);
        ASSERT_TRUE(fast) << file << " is not measured by the fast path";
        EXPECT_EQ(
            std::trunc(fast->firstStreamSeconds * 1000), std::trunc(discovered.firstStreamSeconds * 1000))
            << file;
        EXPECT_EQ(fast->audio.channels, discovered.audio.channels) << file;
        EXPECT_EQ(fast->audio.samplesPerSec, discovered.audio.samplesPerSec) << file;
        EXPECT_EQ(fast->audio.bitsPerSample, discovered.audio.bitsPerSample) << file;
        EXPECT_EQ(first.audio.bitsPerSample, discovered.audio.bitsPerSample) << file;
    }
    // Formats without exact headers always go to the discoverer.
    for (const char* file : { "tone.aac", "tone.ac3", "tone.mka", "tone.amr", "tone.ra", "tone.mid" }) {
        (void)detector.Detect(Media(file));
        EXPECT_FALSE(detector.DetectFast(Media(file))) << file;
    }
}

TEST(MediaDetectTest, AFileIsMeasuredByWhatItHoldsNotByItsName)
{
    // A WAV file named .mp3 must not be read as MPEG frames.
    const std::string path = std::string(TESSALY_BINARY_DIR) + "/test-media-wav-named.mp3";
    {
        std::ifstream in(Media("tone-10s.wav"), std::ios::binary);
        std::ofstream out(path, std::ios::binary);
        out << in.rdbuf();
    }
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    std::int32_t duration = 0;
    EXPECT_TRUE(
        control->MediaDetectBlocking(path.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(duration, 10000);
    std::remove(path.c_str());
}

TEST(MediaDetectTest, FilesThatDoNotPlayFailInBoundedTime)
{
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    for (const char* file : { "bad.mp3", "empty.wav", "text.flac", "" }) {
        log.Clear();
        const std::string path = *file != '\0' ? Media(file) : MissingMedia();
        std::int32_t duration = -1;
        const double start = NowMs();
        EXPECT_FALSE(control->MediaDetectBlocking(
            path.c_str(), &duration, nullptr, nullptr, nullptr, nullptr, nullptr))
            << file;
        EXPECT_LT(NowMs() - start, 6000) << file;
        ASSERT_EQ(log.events.size(), 1U) << file;
        EXPECT_EQ(log.events[0].stream, -1);
        EXPECT_EQ(log.events[0].text, "Media detect failed") << file;
    }
}

} // namespace
