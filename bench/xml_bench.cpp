// XML document throughput: parsing and walking a large list, and building and saving a
// configuration of the usual size.

#include "persist/Xmlparse.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string FilePath(int player, int row)
{
    return "/home/music/Zone " + std::to_string(player + 1) + "/Artist " + std::to_string(row % 37)
        + "/Grüße & Co - Track " + std::to_string(row) + ".mp3";
}

std::string TimeText(int seconds)
{
    char text[16];
    std::snprintf(
        text, sizeof text, "%02d:%02d:%02d", (seconds / 3600) % 24, (seconds / 60) % 60, seconds % 60);
    return text;
}

// KVConfig with Player elements holding File rows, until the text reaches the size.
std::string MakeDocument(std::size_t size)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<KVConfig>\r\n";
    int player = 0;
    while (text.size() < size) {
        text += "<Player Name=\"Player " + std::to_string(player + 1) + "\" Volume=\"80\">\r\n";
        for (int row = 0; row < 500 && text.size() < size; ++row) {
            text += "<File Path=\"" + FilePath(player, row) + "\" Duration=\"" + TimeText(180 + row % 120)
                + "\" BeginTime=\"" + TimeText(8 * 3600 + row * 200) + "\"/>\r\n";
        }
        text += "</Player>\r\n";
        ++player;
    }
    return text + "</KVConfig>\r\n";
}

void BM_ParseAndWalk(benchmark::State& state)
{
    const std::string text = MakeDocument(1 << 20);
    std::size_t files = 0;
    for (auto _ : state) {
        persist::CXmlparse xml;
        if (!xml.SetText(text) || !xml.FindElement("KVConfig") || !xml.EnterElement()) {
            state.SkipWithError("parse failed");
            return;
        }
        files = 0;
        while (xml.FindElement("Player")) {
            benchmark::DoNotOptimize(xml.GetAttribute("Name"));
            xml.EnterElement();
            while (xml.FindElement("File")) {
                benchmark::DoNotOptimize(xml.GetAttribute("Path"));
                benchmark::DoNotOptimize(xml.GetAttribute("Duration"));
                benchmark::DoNotOptimize(xml.GetAttribute("BeginTime"));
                ++files;
            }
            xml.LeaveElement();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["files"] = static_cast<double>(files);
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseAndWalk)->Unit(benchmark::kMillisecond);

// The configuration writer's work: 8 players, each with its schedule and 200 rows.
persist::CXmlparse BuildConfiguration()
{
    persist::CXmlparse xml;
    xml.AddElement("KVConfig");
    xml.EnterElement();
    for (int player = 0; player < 8; ++player) {
        xml.AddElement("Player");
        xml.SetAttribute("Name", "Player " + std::to_string(player + 1));
        xml.SetAttribute(
            "Device", "Zone " + std::to_string(player + 1) + " (zone" + std::to_string(player + 1) + ")");
        xml.SetAttribute("Volume", "80");
        xml.EnterElement();
        xml.AddElement("Program");
        xml.SetAttribute("Policy", "1");
        xml.SetAttribute("Days", "1111100");
        for (int row = 0; row < 200; ++row) {
            xml.AddElement("File");
            xml.SetAttribute("Path", FilePath(player, row));
            xml.SetAttribute("Duration", TimeText(180 + row % 120));
            xml.SetAttribute("BeginTime", TimeText(8 * 3600 + row * 200));
        }
        xml.LeaveElement();
    }
    xml.LeaveElement();
    return xml;
}

void BM_BuildConfiguration(benchmark::State& state)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        const persist::CXmlparse xml = BuildConfiguration();
        bytes = xml.GetText().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildConfiguration)->Unit(benchmark::kMillisecond);

void BM_BuildAndSaveConfiguration(benchmark::State& state)
{
    const std::string path
        = (std::filesystem::temp_directory_path() / ("xml_bench-" + std::to_string(getpid()) + ".cfg"))
              .string();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const persist::CXmlparse xml = BuildConfiguration();
        if (!xml.Save(path)) {
            state.SkipWithError("save failed");
            break;
        }
        bytes = xml.GetText().size();
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildAndSaveConfiguration)->Unit(benchmark::kMillisecond);

} // namespace
