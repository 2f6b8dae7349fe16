#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>

std::string TestMediaFile(std::string_view name, std::string& error)
{
    const char* dir = std::getenv("TESSALY_TEST_MEDIA");
    if (!dir || !*dir) {
        error = "TESSALY_TEST_MEDIA is not set: run the tests through ./test, or run "
                "scripts/make-test-media DIR and export TESSALY_TEST_MEDIA=DIR";
        return {};
    }
    std::filesystem::path path = std::filesystem::path(dir) / name;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "test media file " + path.string() + " is missing: run scripts/make-test-media "
            + std::string(dir);
        return {};
    }
    return path.string();
}

bool SoundServerConfigured(std::string& error)
{
    const char* server = std::getenv("PULSE_SERVER");
    if (server && *server)
        return true;
    error = "PULSE_SERVER is not set: run the tests through ./test, or start scripts/sound-server "
            "and export PULSE_SERVER, PULSE_RUNTIME_PATH and PULSE_STATE_PATH";
    return false;
}
