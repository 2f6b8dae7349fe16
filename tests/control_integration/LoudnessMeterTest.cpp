// The loudness meter against ffmpeg's EBU R128 filter on files made in the run: each integrated
// loudness within 0.5 LU and each true peak within 0.5 dB of ffmpeg's figure.

#include "IntegrationSupport.h"

#include "control/LoudnessMeter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>

namespace {

using namespace itest;

struct Reference {
    double integrated = NAN;
    double truePeak = NAN;
};

// ffmpeg's summary: "I: -23.0 LUFS" and, with peak=true, "Peak: -1.2 dBFS".
Reference FfmpegFigures(const std::string& path, bool dualMono)
{
    const std::string output = Shell("ffmpeg -hide_banner -nostats -i '" + path + "' -af ebur128=peak=true"
        + std::string(dualMono ? ":dualmono=true" : "") + " -f null - 2>&1 | sed -n '/Summary:/,$p'");
    Reference figures;
    std::smatch match;
    if (std::regex_search(output, match, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")))
        figures.integrated = std::stod(match[1]);
    if (std::regex_search(output, match, std::regex(R"(Peak:\s+(-?[0-9.]+) dBFS)")))
        figures.truePeak = std::stod(match[1]);
    return figures;
}

class LoudnessMeterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("loudness-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Make(const std::string& name, const std::string& lavfi, const std::string& options = "")
    {
        const std::string path = (folder / name).string();
        int status = -1;
        (void)Shell("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"" + lavfi + "\" " + options
                + " '" + path + "'",
            &status);
        EXPECT_EQ(status, 0) << lavfi;
        return path;
    }

    std::filesystem::path folder;
};

TEST_F(LoudnessMeterTest, AgreesWithFfmpegOnSinesNoiseAndPeaks)
{
    struct Case {
        const char* name;
        const char* lavfi;
        const char* options;
        bool mono;
    };
    const Case cases[] = {
        { "sine-20.mp3", "sine=f=1000:d=20,volume=0.1,pan=stereo|c0=c0|c1=c0", "-c:a libmp3lame -b:a 192k",
            false },
        { "sine-6.flac", "sine=f=440:d=12,volume=0.5,pan=stereo|c0=c0|c1=c0", "", false },
        { "pink.wav", "anoisesrc=c=pink:d=15:a=0.25:seed=7", "-ac 2", false },
        // Quiet music with one loud click: the loudness stays low while the peak nears full scale.
        { "click.wav", "aevalsrc='0.03*sin(2*PI*330*t)+if(between(t,4,4.002),0.95,0)':d=10:s=44100", "-ac 2",
            false },
        // Mono is heard on both loudspeakers of a zone, as ffmpeg's dual-mono counts it.
        { "mono.ogg", "sine=f=500:d=10,volume=0.3", "-ac 1", true },
    };
    for (const Case& c : cases) {
        const std::string path = Make(c.name, c.lavfi, c.options);
        const Reference reference = FfmpegFigures(path, c.mono);
        ASSERT_FALSE(std::isnan(reference.integrated)) << c.name;
        sonarel::LoudnessMeasurement measured;
        ASSERT_EQ(sonarel::MeasureLoudness(path.c_str(), &measured), sonarel::LoudnessResult::Measured)
            << c.name;
        std::printf("[ measure ] %-12s I %7.2f LUFS (ffmpeg %6.1f)  true peak %6.2f dBTP (ffmpeg %5.1f)\n",
            c.name, measured.IntegratedLufs, reference.integrated, measured.TruePeakDbtp, reference.truePeak);
        EXPECT_NEAR(measured.IntegratedLufs, reference.integrated, 0.5) << c.name;
        ASSERT_FALSE(std::isnan(reference.truePeak)) << c.name;
        EXPECT_NEAR(measured.TruePeakDbtp, reference.truePeak, 0.5) << c.name;
        EXPECT_GT(measured.Seconds, 4.9) << c.name;
    }
}

TEST_F(LoudnessMeterTest, FailsOnWhatIsNotAudioAndStopsWhenCancelled)
{
    sonarel::LoudnessMeasurement measured;
    const std::string text = (folder / "notes.mp3").string();
    (void)Shell("echo 'not audio' > '" + text + "'");
    EXPECT_EQ(sonarel::MeasureLoudness(text.c_str(), &measured), sonarel::LoudnessResult::Failed);
    EXPECT_EQ(
        sonarel::MeasureLoudness((folder / "none.wav").c_str(), &measured), sonarel::LoudnessResult::Failed);

    const std::string longFile = Make("long.flac", "sine=f=440:d=600", "-ac 2");
    const std::atomic<bool> cancelled { true };
    const double start = NowMs();
    EXPECT_EQ(sonarel::MeasureLoudness(longFile.c_str(), &measured, &cancelled),
        sonarel::LoudnessResult::Cancelled);
    EXPECT_LT(NowMs() - start, 2000.0);
}

} // namespace
