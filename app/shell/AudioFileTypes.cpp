#include "shell/AudioFileTypes.h"

#include "persist/TextConversions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

bool IsAudioFileName(std::string_view path)
{
    std::string extension = persist::FileExtension(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(AUDIO_FILE_EXTENSIONS.begin(), AUDIO_FILE_EXTENSIONS.end(), extension)
        != AUDIO_FILE_EXTENSIONS.end();
}

std::vector<std::string> AcceptedAudioFiles(const std::vector<std::string>& paths)
{
    std::vector<std::string> accepted;
    for (const std::string& path : paths) {
        std::error_code error;
        // A folder named like a file ("album.mp3/") is not a file to play.
        if (std::filesystem::is_directory(path, error))
            continue;
        if (IsAudioFileName(path))
            accepted.push_back(path);
    }
    return accepted;
}
