#pragma once

#include "persist/LoadProgress.h"
#include "support/NullSonarel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

// Noon on 15 June 2031, local time: "today" for the readers.
inline std::time_t June15()
{
    std::tm local {};
    local.tm_year = 2031 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 15;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// The audio control as the readers use it: scripted durations for MediaDetect and a list of devices.
// A file without a scripted duration cannot be measured. Playback methods fail.
class FakeSonarel : public NullSonarel {
public:
    std::map<std::string, std::int32_t> durations;
    std::set<std::string> devices;
    std::vector<std::string> detected;
    std::vector<std::string> devicesAsked;

    bool MediaDetect(const char* pszFileName, std::int32_t* pnDuration, short* pnChannels,
        short* pnBlockAlign, std::int32_t* pnSamplesPerSec, short* pnBitsPerSample,
        std::int32_t* pnAvgBytesPerSec) override
    {
        EXPECT_EQ(pnChannels, nullptr);
        EXPECT_EQ(pnBlockAlign, nullptr);
        EXPECT_EQ(pnSamplesPerSec, nullptr);
        EXPECT_EQ(pnBitsPerSample, nullptr);
        EXPECT_EQ(pnAvgBytesPerSec, nullptr);
        const std::string name = pszFileName ? pszFileName : "";
        detected.push_back(name);
        const auto found = durations.find(name);
        if (found == durations.end())
            return false;
        if (pnDuration)
            *pnDuration = found->second;
        return true;
    }
    bool IsAudioDeviceExist(const char* pszDevName) override
    {
        const std::string name = pszDevName ? pszDevName : "";
        devicesAsked.push_back(name);
        return devices.count(name) != 0;
    }

    short GetAudioDeviceNums() override { return static_cast<short>(devices.size()); }
};

// Records what the progress window was asked to do, one line per call.
class RecordingProgress : public persist::ILoadProgress {
public:
    void Show() override { calls.emplace_back("show"); }
    void ShowLoading(std::string_view path) override { calls.push_back(persist::LoadingText(path)); }
    void Hide() override { calls.emplace_back("hide"); }

    std::vector<std::string> calls;
};

// A fresh folder for each test, removed afterwards, with the fake control at hand.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "storage-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    [[nodiscard]] std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    // An empty file that the fake control measures as durationMs long; returns its path.
    std::string AudioFile(const std::string& name, std::int32_t durationMs)
    {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary).put('\0');
        control.durations[path] = durationMs;
        return path;
    }

    std::string WriteText(const std::string& name, const std::string& text) const
    {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string ReadBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    // Everything but the temporary folder's own path, which differs from run to run.
    [[nodiscard]] std::string WithoutFolder(std::string text) const
    {
        const std::string folder = m_dir.string() + "/";
        for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
            text.replace(at, folder.size(), "");
        return text;
    }

    std::filesystem::path m_dir;
    FakeSonarel control;
    RecordingProgress progress;
};
