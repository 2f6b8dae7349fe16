#include "StorageFakes.h"

#include "persist/ConfigLocation.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ConfigLocationTest : public StorageTest {
protected:
    [[nodiscard]] std::string Folder(const std::string& name) const
    {
        fs::create_directories(PathOf(name));
        return PathOf(name) + "/";
    }

    static unsigned ModeOf(const std::string& path)
    {
        struct stat info { };
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777U;
    }
};

TEST_F(ConfigLocationTest, AWritableProgramFolderHoldsTheFileEvenWhenTheUserFolderHasOne)
{
    const std::string program = Folder("program");
    const std::string xdg = Folder("xdg");
    fs::create_directories(PathOf("xdg/tessaly"));
    WriteText("xdg/tessaly/Tessaly.cfg", "<KVConfig/>");

    EXPECT_EQ(persist::ConfigurationPath({ program, xdg, PathOf("home") }), program + "Tessaly.cfg");
    // The program folder may be given without its trailing slash.
    EXPECT_EQ(
        persist::ConfigurationPath({ PathOf("program"), xdg, PathOf("home") }), program + "Tessaly.cfg");
    // Nothing is created in the user's folders when they are not used.
    EXPECT_FALSE(fs::exists(PathOf("home")));
}

TEST_F(ConfigLocationTest, AProgramFolderThatCannotBeWrittenSendsTheFileToThePrivateUserFolder)
{
    // Root may write into any folder; one that does not exist or is a file cannot take a new file
    // whoever asks.
    const std::string notAFolder = WriteText("program-file", "") + "/";
    for (const std::string& program : { PathOf("no such folder") + "/", notAFolder }) {
        EXPECT_EQ(persist::ConfigurationPath({ program, PathOf("xdg"), PathOf("home") }),
            PathOf("xdg") + "/tessaly/Tessaly.cfg");
    }
    EXPECT_EQ(ModeOf(PathOf("xdg")), 0700U);
    EXPECT_EQ(ModeOf(PathOf("xdg/tessaly")), 0700U);

    // An existing configuration folder keeps its mode.
    fs::create_directories(PathOf("shared"));
    fs::permissions(PathOf("shared"), fs::perms(0755));
    EXPECT_EQ(persist::ConfigurationPath({ notAFolder, PathOf("shared"), "" }),
        PathOf("shared") + "/tessaly/Tessaly.cfg");
    EXPECT_EQ(ModeOf(PathOf("shared")), 0755U);
    EXPECT_EQ(ModeOf(PathOf("shared/tessaly")), 0700U);
}

TEST_F(ConfigLocationTest, WithoutAnAbsoluteXdgConfigHomeTheUserFolderIsUnderHome)
{
    const std::string home = Folder("home");
    for (const std::string& xdg : { std::string(), std::string("relative/config") }) {
        EXPECT_EQ(persist::ConfigurationPath({ PathOf("missing"), xdg, PathOf("home") }),
            home + ".config/tessaly/Tessaly.cfg")
            << xdg;
    }
    EXPECT_EQ(ModeOf(home + ".config"), 0700U);
    EXPECT_TRUE(fs::is_directory(home + ".config/tessaly"));
    EXPECT_FALSE(fs::exists(PathOf("relative")));
    EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(ConfigLocationTest, AReadOnlyProgramFolderIsNotWritableForAnOrdinaryUser)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    const std::string program = Folder("installed");
    fs::permissions(PathOf("installed"), fs::perms(0555));
    EXPECT_FALSE(persist::IsWritableFolder(program));
    EXPECT_EQ(
        persist::ConfigurationPath({ program, PathOf("xdg"), "" }), PathOf("xdg") + "/tessaly/Tessaly.cfg");
    fs::permissions(PathOf("installed"), fs::perms(0755));
}

} // namespace
