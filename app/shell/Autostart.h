#pragma once

#include <string>
#include <string_view>

// Starting the program with the desktop session: an entry in the user's XDG autostart folder,
// named after the program's installed desktop entry so that a session shows the two as one program.
// Plain C++; the main window's menu entry turns it on and off.

inline constexpr std::string_view DESKTOP_ENTRY_ID = "example.velloran.Tessaly";

// $XDG_CONFIG_HOME/autostart/<id>.desktop, or $HOME/.config/autostart/...; empty when neither is known.
[[nodiscard]] std::string AutostartEntryPath();

// Whether the session starts the program: the entry is there and not hidden.
[[nodiscard]] bool AutostartEnabled(const std::string& entryPath);

// Writes the entry that starts the program at programPath (creating the folder), or removes it.
// False when the file could not be written or removed, or when the path cannot be written into an
// entry's Exec line (a line break).
[[nodiscard]] bool SetAutostart(const std::string& entryPath, bool enabled, const std::string& programPath);

// The entry's text for the program at programPath; empty when it cannot be written.
[[nodiscard]] std::string AutostartEntryText(const std::string& programPath);
