#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The audio files the program offers to add: by extension, compared without regard to case.
inline constexpr std::array<std::string_view, 12> AUDIO_FILE_EXTENSIONS
    = { "wma", "ra", "wav", "mp2", "mp3", "mid", "aac", "ac3", "mka", "amr", "flac", "mpa" };

// The open-file dialog's filter: its one entry, as the dialog shows it.
inline constexpr std::string_view AUDIO_FILE_FILTER
    = "All supported format(*.wma;*.ra;*.wav;*.mp2;*.mp3;*.mid;*.aac;*.ac3;*.mka;*.amr;*.flac;*.mpa)";

// The program list files' filter.
inline constexpr std::string_view LIST_FILE_FILTER = "Velloran List File(*.xml)";

// Whether the path names an accepted audio file by its extension (the text after the last '.').
[[nodiscard]] bool IsAudioFileName(std::string_view path);

// The paths, in order, that name accepted audio files and are not folders.
[[nodiscard]] std::vector<std::string> AcceptedAudioFiles(const std::vector<std::string>& paths);
