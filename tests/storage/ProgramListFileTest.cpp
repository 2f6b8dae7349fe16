#include "StorageFakes.h"

#include "players/Players.h"
#include "storage/ConfigurationFile.h"
#include "storage/ProgramListFile.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

std::vector<std::string> Rows(const players::PlayList& list)
{
    std::vector<std::string> rows;
    for (const players::PlayListEntry& row : list.Rows())
        rows.push_back(row.File + " " + row.BeginTime + "-" + row.EndTime + " " + row.Segment);
    return rows;
}

class ProgramListFile : public StorageTest {
protected:
    void Place(players::PlayList& list, const std::string& name, std::int32_t durationMs, const char* begin)
    {
        ASSERT_EQ(list.AppendFileAt(AudioFile(name, durationMs), durationMs, begin),
            players::AppendResult::Appended);
    }
};

TEST_F(ProgramListFile, ExportWritesTheRowsInListOrder)
{
    players::PlayList list;
    ASSERT_NO_FATAL_FAILURE(Place(list, "morning & news.mp3", 60000, "08:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(list, "jingle.mp3", 5000, ""));
    ASSERT_NO_FATAL_FAILURE(Place(list, "noon.mp3", 5000, "12:0:0"));
    ASSERT_TRUE(storage::ExportProgramList(list, PathOf("list.xml")));

    EXPECT_EQ(WithoutFolder(ReadBytes(PathOf("list.xml"))),
        std::string(kHeader)
            + "<KVProgram Version=\"1.0.0\">\r\n"
              "<File Path=\"morning &amp; news.mp3\" BeginTime=\"08:00:00\" Duration=\"00:01:00\"/>\r\n"
              "<File Path=\"jingle.mp3\" BeginTime=\"08:01:01\" Duration=\"00:00:05\"/>\r\n"
              "<File Path=\"noon.mp3\" BeginTime=\"12:0:0\" Duration=\"00:00:05\"/>\r\n"
              "</KVProgram>\r\n");
}

TEST_F(ProgramListFile, ImportReplacesTheListWithTheExportedRows)
{
    players::PlayList source;
    ASSERT_NO_FATAL_FAILURE(Place(source, "a.mp3", 60000, "08:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(source, "b \"quoted\" <&> 'x'.mp3", 60000, ""));
    ASSERT_NO_FATAL_FAILURE(Place(source, "c.mp3", 400, "8:30:0"));
    ASSERT_TRUE(storage::ExportProgramList(source, PathOf("list.xml")));

    players::PlayList target;
    ASSERT_NO_FATAL_FAILURE(Place(target, "old.mp3", 1000, "03:00:00"));
    ASSERT_TRUE(storage::ImportProgramList(PathOf("list.xml"), target, control, progress));

    EXPECT_EQ(target.Rows(), source.Rows());
    EXPECT_THAT(progress.calls,
        ElementsAre("show", persist::LoadingText(PathOf("a.mp3")),
            persist::LoadingText(PathOf("b \"quoted\" <&> 'x'.mp3")), persist::LoadingText(PathOf("c.mp3")),
            "hide"));
}

TEST_F(ProgramListFile, AnExportedEmptyListEmptiesTheListOnImport)
{
    players::PlayList empty;
    ASSERT_TRUE(storage::ExportProgramList(empty, PathOf("empty.xml")));
    EXPECT_EQ(ReadBytes(PathOf("empty.xml")), std::string(kHeader) + "<KVProgram Version=\"1.0.0\"/>\r\n");

    players::PlayList list;
    ASSERT_NO_FATAL_FAILURE(Place(list, "old.mp3", 1000, "03:00:00"));
    EXPECT_TRUE(storage::ImportProgramList(PathOf("empty.xml"), list, control, progress));
    EXPECT_TRUE(list.Empty());
    EXPECT_THAT(progress.calls, ElementsAre("show", "hide"));
}

TEST_F(ProgramListFile, AFileThatIsNotAProgramListLeavesTheListAsItWas)
{
    players::Players players;
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("Tessaly.cfg"), players));
    WriteText("broken.xml", "<KVProgram Version=\"1.0.0\"><File Path=\"x.mp3\">");
    WriteText("lower.xml", "<kvprogram/>");

    players::PlayList list;
    ASSERT_NO_FATAL_FAILURE(Place(list, "kept.mp3", 1000, "03:00:00"));
    const std::vector<players::PlayListEntry> before = list.Rows();
    for (const char* name : { "Tessaly.cfg", "broken.xml", "lower.xml", "missing.xml" })
        EXPECT_FALSE(storage::ImportProgramList(PathOf(name), list, control, progress)) << name;
    EXPECT_EQ(list.Rows(), before);
    EXPECT_THAT(progress.calls, IsEmpty());
}

TEST_F(ProgramListFile, ImportListsTheFilesThatStillExistAtTheirBeginTimesWhereTheyStillFit)
{
    players::PlayList source;
    ASSERT_NO_FATAL_FAILURE(Place(source, "a.mp3", 60000, "08:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(source, "gone.mp3", 60000, ""));
    ASSERT_NO_FATAL_FAILURE(Place(source, "b.mp3", 60000, "09:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(source, "c.mp3", 60000, "10:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(source, "d.mp3", 60000, "23:00:00"));
    ASSERT_NO_FATAL_FAILURE(Place(source, "e.mp3", 60000, ""));
    ASSERT_TRUE(storage::ExportProgramList(source, PathOf("list.xml")));

    std::filesystem::remove(PathOf("gone.mp3"));
    // Since the export b.mp3 grew to 75 minutes, which pushes c.mp3 back, and d.mp3 to an hour,
    // which leaves no room for e.mp3 before midnight.
    control.durations[PathOf("b.mp3")] = 75 * 60 * 1000;
    control.durations[PathOf("d.mp3")] = 59 * 60 * 1000 + 59 * 1000;
    players::PlayList list;
    int notFound = -1;
    ASSERT_TRUE(storage::ImportProgramList(PathOf("list.xml"), list, control, progress, &notFound));

    EXPECT_THAT(Rows(list),
        ElementsAre("a.mp3 08:00:00-08:01:00 Segment 1", "b.mp3 09:00:00-10:15:00 Segment 2",
            "c.mp3 10:15:01-10:16:01 Segment 2", "d.mp3 23:00:00-23:59:59 Segment 3"));
    EXPECT_EQ(notFound, 1);

    // A list none of whose files are here (another machine's) leaves the player's list alone.
    for (const char* name : { "a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3" })
        std::filesystem::remove(PathOf(name));
    const std::vector<players::PlayListEntry> before = list.Rows();
    EXPECT_FALSE(storage::ImportProgramList(PathOf("list.xml"), list, control, progress, &notFound));
    EXPECT_EQ(list.Rows(), before);
    EXPECT_EQ(notFound, 6);
}

TEST_F(ProgramListFile, ExportReplacesAnExistingFile)
{
    const std::string path = WriteText("list.xml", std::string(100000, 'x'));
    players::PlayList list;
    ASSERT_NO_FATAL_FAILURE(Place(list, "a.mp3", 1000, ""));
    ASSERT_TRUE(storage::ExportProgramList(list, path));

    players::PlayList imported;
    ASSERT_TRUE(storage::ImportProgramList(path, imported, control, progress));
    EXPECT_EQ(imported.Rows(), list.Rows());
}

} // namespace
