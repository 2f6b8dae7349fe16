#include "shell/Autostart.h"

#include "persist/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// Creates the folder and its missing parents; a new folder is private, as the configuration's is.
bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        if (::mkdir(folder.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// The path as one quoted argument of an Exec line: inside the quotes '"', '`', '$' and '\' are
// escaped with a backslash, and since string values unescape "\\" first, each backslash of the
// result is doubled again; '%' starts a field code and is written "%%".
std::string QuotedExecArgument(const std::string& path)
{
    std::string quoted = "\"";
    for (const char c : path) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            quoted += "\\\\";
            quoted += c;
            break;
        case '\\':
            quoted += R"(\\\\)";
            break;
        case '%':
            quoted += "%%";
            break;
        default:
            quoted += c;
            break;
        }
    }
    return quoted + "\"";
}

} // namespace

std::string AutostartEntryPath()
{
    std::string base = EnvironmentValue("XDG_CONFIG_HOME");
    // A relative value is to be ignored, as the base directory rules say.
    if (base.empty() || base.front() != '/') {
        const std::string home = EnvironmentValue("HOME");
        if (home.empty() || home.front() != '/')
            return {};
        base = home + "/.config";
    }
    return base + "/autostart/" + std::string(DESKTOP_ENTRY_ID) + ".desktop";
}

bool AutostartEnabled(const std::string& entryPath)
{
    std::ifstream entry(entryPath);
    if (!entry)
        return false;
    for (std::string line; std::getline(entry, line);) {
        if (line == "Hidden=true")
            return false;
    }
    return true;
}

std::string AutostartEntryText(const std::string& programPath)
{
    if (programPath.empty() || programPath.find_first_of("\r\n") != std::string::npos)
        return {};
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tessaly\n"
           "Comment=Play scheduled audio on several output devices\n"
           "Exec="
        + QuotedExecArgument(programPath)
        + "\n"
          "Icon="
        + std::string(DESKTOP_ENTRY_ID)
        + "\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(const std::string& entryPath, bool enabled, const std::string& programPath)
{
    if (entryPath.empty())
        return false;
    if (!enabled)
        return ::unlink(entryPath.c_str()) == 0 || errno == ENOENT;
    const std::string text = AutostartEntryText(programPath);
    if (text.empty())
        return false;
    const std::size_t slash = entryPath.rfind('/');
    return (slash == std::string::npos || MakeFolders(entryPath.substr(0, slash + 1)))
        && persist::WriteFileAtomically(entryPath, text);
}
