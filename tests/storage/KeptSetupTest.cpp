// A machine that starts before its USB adapters, shares or the sound server are up must keep its
// whole setup: what cannot be found now is kept as stored, marked, and written back unchanged.

#include "StorageFakes.h"

#include "players/Players.h"
#include "storage/ConfigurationFile.h"

#include <gmock/gmock.h>

#include <ctime>

namespace {

using ::testing::ElementsAre;

class KeptSetup : public StorageTest { };

TEST_F(KeptSetup, ASetupReadWhileItsDevicesFilesAndDatesAreAwayIsWrittenBackByteForByte)
{
    players::Players original;
    players::PlayerSlot& zone = original.Slot(1);
    zone.Setting.Device = "USB Adapter (usb1)";
    zone.TimerWanted = true;
    ASSERT_EQ(zone.List.AppendFileAt(AudioFile("here.mp3", 61'500), 61'500, "08:00:00"),
        players::AppendResult::Appended);
    ASSERT_EQ(zone.List.AppendFileAt(AudioFile("share.mp3", 120'000), 120'000, "9:0:0"),
        players::AppendResult::Appended);
    ASSERT_EQ(
        zone.List.AppendFileAt(AudioFile("broken.mp3", 5'000), 5'000, ""), players::AppendResult::Appended);
    players::PlayerSlot& campaign = original.Slot(3);
    campaign.Policy.Type = players::POLICY_DATE_RANGE;
    campaign.Policy.BeginDate = persist::CalendarDate(2030, 12, 1);
    campaign.Policy.EndDate = persist::CalendarDate(2030, 12, 24);
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("first.cfg"), original));

    // The next start: no device, the share not mounted, one file no longer readable as audio, and the
    // campaign over.
    std::filesystem::remove(PathOf("share.mp3"));
    control.durations.erase(PathOf("broken.mp3"));
    control.devices.clear();
    players::Players loaded;
    storage::ConfigurationReadReport report;
    ASSERT_TRUE(
        storage::ReadConfiguration(PathOf("first.cfg"), loaded, control, progress, June15(), &report));

    EXPECT_EQ(report.DroppedRows, 0);
    EXPECT_EQ(loaded.Slot(1).Setting, zone.Setting);
    EXPECT_TRUE(loaded.Slot(1).TimerWanted);
    EXPECT_FALSE(loaded.Slot(0).TimerWanted);
    EXPECT_EQ(loaded.Slot(3).Policy, campaign.Policy);
    const players::PlayList& list = loaded.Slot(1).List;
    ASSERT_EQ(list.RowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.Row(row).BeginTime, zone.List.Row(row).BeginTime) << row;
        EXPECT_EQ(list.Row(row).EndTime, zone.List.Row(row).EndTime) << row;
    }
    EXPECT_EQ(list.Row(0).MissingReason, "");
    EXPECT_EQ(list.Row(1).MissingReason, players::MISSING_FILE_NOT_FOUND);
    EXPECT_EQ(list.Row(2).MissingReason, players::MISSING_NOT_MEASURED);

    ASSERT_TRUE(storage::WriteConfiguration(PathOf("second.cfg"), loaded));
    EXPECT_EQ(ReadBytes(PathOf("second.cfg")), ReadBytes(PathOf("first.cfg")));
}

TEST_F(KeptSetup, DaysOffRoundTripInsideProgramWhereThePlainReaderStepsOverThem)
{
    players::Players original;
    original.Slot(0).Policy.DaysOff
        = { { persist::CalendarDate(2026, 12, 25), true }, { persist::CalendarDate(2027, 4, 2), false } };
    players::SchedulePolicy& range = original.Slot(1).Policy;
    range.Type = players::POLICY_DATE_RANGE;
    range.BeginDate = persist::CalendarDate(2031, 6, 1);
    range.EndDate = persist::CalendarDate(2031, 9, 30);
    range.DaysOff = { { persist::CalendarDate(2031, 8, 15), false } };
    ASSERT_EQ(original.Slot(1).List.AppendFileAt(AudioFile("a.mp3", 5'000), 5'000, "08:00:00"),
        players::AppendResult::Appended);
    ASSERT_TRUE(storage::WriteConfiguration(PathOf("Tessaly.cfg"), original));
    EXPECT_NE(ReadBytes(PathOf("Tessaly.cfg"))
                  .find("<Program Type=\"1\" Week=\"124\">\r\n<Off Date=\"2026-12-25\" Yearly=\"1\"/>\r\n"
                        "<Off Date=\"2027-04-02\" Yearly=\"0\"/>\r\n</Program>"),
        std::string::npos);

    // The rows after a Program with days off are read as before.
    players::Players loaded;
    ASSERT_TRUE(storage::ReadConfiguration(PathOf("Tessaly.cfg"), loaded, control, progress, June15()));
    EXPECT_EQ(loaded.Slot(0).Policy, original.Slot(0).Policy);
    EXPECT_EQ(loaded.Slot(1).Policy, range);
    EXPECT_EQ(loaded.Slot(1).List.Rows(), original.Slot(1).List.Rows());
}

TEST_F(KeptSetup, RowsThatCannotBeMeasuredAreKeptByTheirStoredLength)
{
    struct Case {
        const char* what;
        // Attributes after Path and BeginTime="08:00:00", and elements after the File element.
        const char* attributes;
        const char* after;
        enum { Measured, Absent, NotAudio } file;
        // "Duration BeginTime-EndTime", or empty when the row is dropped.
        const char* row;
        std::string_view reason;
    };
    const Case cases[] = {
        { "a measured file, stale stored length", " Duration=\"00:09:59\"", "", Case::Measured,
            "00:01:00 08:00:00-08:01:00", "" },
        { "a missing file", " Duration=\"00:02:00\"", "", Case::Absent, "00:02:00 08:00:00-08:02:00",
            players::MISSING_FILE_NOT_FOUND },
        { "a file that is not audio", " Duration=\"0:2:0\"", "", Case::NotAudio, "00:02:00 08:00:00-08:02:00",
            players::MISSING_NOT_MEASURED },
        { "a missing file without a stored length", "", "", Case::Absent, "", "" },
        { "a missing file whose length is not a time", " Duration=\"2 min\"", "", Case::Absent, "", "" },
        { "what other readers store", " Duration=\"00:01:00\" Loudness=\"-18.0\"",
            "<Off Date=\"2031-12-25\"/>", Case::Measured, "00:01:00 08:00:00-08:01:00", "" },
    };
    for (const Case& c : cases) {
        control.durations.clear();
        const std::string path = PathOf("a.mp3");
        std::filesystem::remove(path);
        if (c.file != Case::Absent)
            AudioFile("a.mp3", 60'000);
        if (c.file == Case::NotAudio)
            control.durations.clear();
        const std::string file = WriteText("Tessaly.cfg",
            "<KVConfig Version=\"1.0.0\"><Player ID=\"0\" Future=\"1\"><Program Type=\"1\" Week=\"254\"/>"
            "<File Path=\""
                + path + "\" BeginTime=\"08:00:00\"" + c.attributes + "/>" + c.after
                + "</Player></KVConfig>");

        players::Players players;
        storage::ConfigurationReadReport report;
        ASSERT_TRUE(storage::ReadConfiguration(file, players, control, progress, June15(), &report))
            << c.what;
        const players::PlayList& list = players.Slot(0).List;
        if (std::string_view(c.row).empty()) {
            EXPECT_TRUE(list.Empty()) << c.what;
            EXPECT_EQ(report.DroppedRows, 1) << c.what;
            continue;
        }
        ASSERT_EQ(list.RowCount(), 1) << c.what;
        const players::PlayListEntry& row = list.Row(0);
        EXPECT_EQ(row.Duration + " " + row.BeginTime + "-" + row.EndTime, c.row) << c.what;
        EXPECT_EQ(row.MissingReason, c.reason) << c.what;
        EXPECT_EQ(report.DroppedRows, 0) << c.what;
    }
}

} // namespace
