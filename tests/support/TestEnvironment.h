#pragma once

#include <string>
#include <string_view>

// What the tests find in their environment, as ./test sets it up.

// The path of a file made by scripts/make-test-media in the folder TESSALY_TEST_MEDIA names.
// Empty, with a message saying what to do in error, when the variable is unset or the file is
// missing.
[[nodiscard]] std::string TestMediaFile(std::string_view name, std::string& error);

// Whether PULSE_SERVER points the tests at a private sound server (scripts/sound-server). False,
// with a message in error, when it is unset: the tests must never play to the user's own devices.
[[nodiscard]] bool SoundServerConfigured(std::string& error);
