#pragma once

#include <string>
#include <string_view>

namespace persist {

inline constexpr std::string_view CONFIGURATION_FILE_NAME = "Tessaly.cfg";

// Where the configuration file lives.
//
// The file is "Tessaly.cfg" in the program's folder, as long as the program may write there. An
// installed program usually may not; its file then lives in the user's configuration folder,
// $XDG_CONFIG_HOME/tessaly/ ($HOME/.config/tessaly/ when the variable is unset or not an absolute
// path), which is created with mode 0700 when missing. The same path serves reading and writing.
//
// A writable program folder always wins, even when a file exists in the user's folder: the choice
// depends on the program folder alone, so it cannot change between start-up and shutdown because
// a file was written in between.
struct ConfigLocation {
    // The program's folder, normally ending with '/'; empty when it is not known.
    std::string ProgramFolder;
    // $XDG_CONFIG_HOME and $HOME as the environment has them; empty when unset.
    std::string XdgConfigHome;
    std::string Home;

    // The running program's folder and the process environment.
    [[nodiscard]] static ConfigLocation FromEnvironment();
};

// The configuration file's path for the given folders. Creates the user's configuration folder when
// it is the one chosen and does not exist yet. Empty when no folder at all is known.
[[nodiscard]] std::string ConfigurationPath(const ConfigLocation& location);

// ConfigurationPath(ConfigLocation::FromEnvironment()).
[[nodiscard]] std::string ConfigurationPath();

// The user's cache folder for the program, $XDG_CACHE_HOME/tessaly/ ($HOME/.cache/tessaly/ when the
// variable is unset or not absolute), ending with '/' and created with mode 0700 when missing; empty
// when no folder is known.
[[nodiscard]] std::string UserCacheFolder();

// Whether the process may create files in the folder.
[[nodiscard]] bool IsWritableFolder(const std::string& folder);

} // namespace persist
