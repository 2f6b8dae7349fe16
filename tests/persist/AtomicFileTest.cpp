#include "persist/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "atomicfile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    [[nodiscard]] std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    [[nodiscard]] std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    static mode_t ModeOf(const std::string& path)
    {
        struct stat info { };
        EXPECT_EQ(stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    fs::path m_dir;
};

TEST_F(AtomicFile, CreatesAndReplacesFiles)
{
    const std::string path = PathOf("Tessaly.cfg");
    ASSERT_TRUE(persist::WriteFileAtomically(path, std::string("first\0with nul", 14)));
    EXPECT_EQ(Read(path), std::string("first\0with nul", 14));
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(ModeOf(path), 0666 & ~mask);

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(persist::WriteFileAtomically(path, "second"));
    EXPECT_EQ(Read(path), "second");
    EXPECT_EQ(ModeOf(path), 0640u);
    ASSERT_TRUE(persist::WriteFileAtomically(path, ""));
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(Names(), std::set<std::string> { "Tessaly.cfg" });
}

TEST_F(AtomicFile, ReplacesTheFileBehindASymbolicLink)
{
    const std::string real = PathOf("real.cfg");
    ASSERT_TRUE(persist::WriteFileAtomically(real, "old"));
    fs::create_symlink(real, PathOf("link.cfg"));
    ASSERT_TRUE(persist::WriteFileAtomically(PathOf("link.cfg"), "new"));
    EXPECT_TRUE(fs::is_symlink(PathOf("link.cfg")));
    EXPECT_EQ(Read(real), "new");
}

TEST_F(AtomicFile, RefusesTargetsThatCannotBeWritten)
{
    EXPECT_FALSE(persist::WriteFileAtomically(PathOf("missing/a.cfg"), "x"));
    EXPECT_FALSE(persist::WriteFileAtomically("", "x"));
    fs::create_directory(PathOf("dir"));
    EXPECT_FALSE(persist::WriteFileAtomically(PathOf("dir"), "x"));
    EXPECT_TRUE(fs::is_directory(PathOf("dir")));
    EXPECT_EQ(Names(), std::set<std::string> { "dir" });
}

TEST_F(AtomicFile, ReadOnlyFolderKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into read-only folders";
    const std::string path = PathOf("a.cfg");
    ASSERT_TRUE(persist::WriteFileAtomically(path, "old content"));
    fs::permissions(m_dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
        fs::perm_options::remove);
    EXPECT_FALSE(persist::WriteFileAtomically(path, "new content"));
    EXPECT_EQ(Read(path), "old content");
    EXPECT_EQ(Names(), std::set<std::string> { "a.cfg" });
}

TEST_F(AtomicFile, WriteThatFailsHalfwayKeepsTheOldFile)
{
    // A file size limit makes the write fail part of the way through, as a full disk would.
    const std::string path = PathOf("a.cfg");
    const std::string old(100, 'o');
    ASSERT_TRUE(persist::WriteFileAtomically(path, old));

    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 50;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = persist::WriteFileAtomically(path, std::string(1000, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(Names(), std::set<std::string> { "a.cfg" });
}

} // namespace
