#include "persist/ConfigLocation.h"

#include "persist/ModuleDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace persist {

namespace {

    std::string EnvironmentValue(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    }

    std::string WithSlash(std::string folder)
    {
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        return folder;
    }

    // Creates the folder and any missing parent with mode 0700; a folder that already exists keeps its
    // mode. Failure is not reported here: reading and writing the file then fail quietly.
    void CreatePrivateFolder(const std::string& folder)
    {
        for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
             slash = folder.find('/', slash + 1)) {
            const std::string part = folder.substr(0, slash);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return;
        }
    }

    std::string HomeFolder(const ConfigLocation& location)
    {
        if (!location.Home.empty())
            return location.Home;
        // Without $HOME the password database still knows the user's home.
        const passwd* entry = ::getpwuid(::getuid());
        return entry && entry->pw_dir ? std::string(entry->pw_dir) : std::string();
    }

    // <xdgValue>/tessaly/, or <home>/<homeSubfolder>/tessaly/; empty when neither is known. A
    // relative XDG value is ignored, as the base directory rules require.
    std::string UserFolder(
        const std::string& xdgValue, const char* homeSubfolder, const ConfigLocation& location)
    {
        if (!xdgValue.empty() && xdgValue.front() == '/')
            return WithSlash(xdgValue) + "tessaly/";
        const std::string home = HomeFolder(location);
        if (home.empty() || home.front() != '/')
            return {};
        return WithSlash(home) + homeSubfolder + "/tessaly/";
    }

} // namespace

ConfigLocation ConfigLocation::FromEnvironment()
{
    return { ModuleDirectory(), EnvironmentValue("XDG_CONFIG_HOME"), EnvironmentValue("HOME") };
}

std::string ConfigurationPath(const ConfigLocation& location)
{
    const std::string programFolder = WithSlash(location.ProgramFolder);
    if (!programFolder.empty() && IsWritableFolder(programFolder))
        return programFolder + std::string(CONFIGURATION_FILE_NAME);
    const std::string userFolder = UserFolder(location.XdgConfigHome, ".config", location);
    if (userFolder.empty()) {
        // Nowhere better to go: the program folder at least keeps the file readable.
        return programFolder.empty() ? std::string() : programFolder + std::string(CONFIGURATION_FILE_NAME);
    }
    CreatePrivateFolder(userFolder);
    return userFolder + std::string(CONFIGURATION_FILE_NAME);
}

std::string ConfigurationPath()
{
    return ConfigurationPath(ConfigLocation::FromEnvironment());
}

std::string UserCacheFolder()
{
    const ConfigLocation location { {}, {}, EnvironmentValue("HOME") };
    std::string folder = UserFolder(EnvironmentValue("XDG_CACHE_HOME"), ".cache", location);
    if (!folder.empty())
        CreatePrivateFolder(folder);
    return folder;
}

bool IsWritableFolder(const std::string& folder)
{
    // Creating a file needs write and search permission on the folder; AT_EACCESS asks for the
    // effective user, who is the one that will write. A read-only file system fails here too.
    struct stat info { };
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace persist
