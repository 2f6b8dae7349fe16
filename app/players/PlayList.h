#pragma once

#include "persist/TimeOfDay.h"
#include "players/PlayListEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace players {

class PlayListObserver;

// Outcome of placing a row read from a stored list.
enum class AppendResult {
    Appended,
    // The stored begin time is not a valid time of day: the row is skipped.
    InvalidBegin,
    // The row would end after 23:59:59: a reader stops reading the list here.
    PastMidnight,
};

// The play list of one player: rows in play order, each at a fixed window of the day.
//
// The edits keep these invariants: rows are in ascending order of begin time and none begins before
// the previous one ends; every row ends at begin + duration and no later than 23:59:59; a duration is
// at least one second. Rows whose begin is exactly one second after the previous end are contiguous;
// a maximal run of them is a segment, numbered from 1 in list order in each row's Segment text.
// Removing rows leaves the numbering as it was; every other edit keeps it consistent.
//
// Row numbers are 0-based. The selection lives here, so that the editing commands work without a
// window; the list view shows it and reports the user's changes through SetSelected.
class PlayList {
public:
    PlayList() = default;
    PlayList(const PlayList&) = delete;
    PlayList& operator=(const PlayList&) = delete;

    // The observer is not owned; nullptr stops the notifications.
    void SetObserver(PlayListObserver* observer) { m_observer = observer; }

    [[nodiscard]] int RowCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] bool Empty() const { return m_rows.empty(); }
    [[nodiscard]] bool IsRow(int row) const { return row >= 0 && row < RowCount(); }
    // Precondition: IsRow(row).
    [[nodiscard]] const PlayListEntry& Row(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    [[nodiscard]] const std::vector<PlayListEntry>& Rows() const { return m_rows; }
    // Changes whenever rows are inserted, removed or changed (whenever the observer is told), so that
    // a reader may keep values derived from the rows until it changes.
    [[nodiscard]] std::uint64_t Revision() const { return m_revision; }

    // The row's parsed BeginTime or EndTime; 00:00:00 for a row number outside the list, so that the
    // end "before the first row" plus one second is the earliest begin of a first row.
    [[nodiscard]] persist::TimeOfDay BeginTimeOf(int row) const;
    [[nodiscard]] persist::TimeOfDay EndTimeOf(int row) const;
    // Begin of the first row, end of the last row; 00:00:00 for an empty list.
    [[nodiscard]] persist::TimeOfDay FirstBeginTime() const { return BeginTimeOf(0); }
    [[nodiscard]] persist::TimeOfDay LastEndTime() const { return EndTimeOf(RowCount() - 1); }
    // The number in the row's Segment text, at least 1; 1 outside the list.
    [[nodiscard]] int SegmentOf(int row) const;
    // The earliest begin a row may be moved to: one second after the previous row's end.
    [[nodiscard]] persist::TimeOfDay EarliestBeginOf(int row) const;

    // Appends a file one second after the last row (at 00:00:01 in an empty list). A duration under
    // a second counts as one second; fractions of a second are dropped. False, with nothing added,
    // when the file would end after 23:59:59.
    bool AppendFile(std::string path, std::int64_t durationMs);
    // Appends a row read from a stored list at its stored begin text. An empty text places the row as
    // AppendFile does. A begin earlier than the last row's end is raised to one second after it and
    // shown as that time; otherwise the stored text is kept as it was written. A row whose file is
    // not there gets the reason, and its stored length as durationMs.
    [[nodiscard]] AppendResult AppendFileAt(std::string path, std::int64_t durationMs,
        std::string_view beginText, std::string missingReason = {});

    // Moves the row to newBegin and drags along every following row that was contiguous with it or
    // that it would now overlap, stopping at the first gap that is still wide enough; rows that would
    // pass midnight are removed. Then renumbers the segments. Nothing happens (false) when the row
    // does not exist, newBegin is not a valid time, is earlier than EarliestBeginOf(row) or equals the
    // current begin.
    bool SetBeginTime(int row, const persist::TimeOfDay& newBegin);

    // Moves each selected row one place up (down) when it is contiguous with the row above (below).
    void MoveSelectedUp();
    void MoveSelectedDown();
    // Exchanges the row with the next one while the pair keeps its span of the day; selection goes
    // with the files, segment texts and check boxes stay. False when the two are not contiguous.
    bool SwapWithNext(int row);

    // Rewrites every Segment text from the times and asks the view to regroup.
    void RenumberSegments();

    // These leave the segment numbering as it was.
    void RemoveSelected();
    void ClearAll();
    // Replaces every row with the rows of the source, which is left empty.
    void TakeRows(PlayList& source);
    // Removes the row and every row after it.
    void RemoveFrom(int row);

    [[nodiscard]] bool IsSelected(int row) const { return IsRow(row) && Row(row).Selected; }
    void SetSelected(int row, bool selected);
    void ClearSelection();
    // -1 when no row is selected.
    [[nodiscard]] int FirstSelectedRow() const { return NextSelectedRow(-1); }
    // The first selected row after the given one, or -1.
    [[nodiscard]] int NextSelectedRow(int after) const;
    [[nodiscard]] std::vector<int> SelectedRows() const;

    [[nodiscard]] bool IsChecked(int row) const { return IsRow(row) && Row(row).Checked; }
    void SetChecked(int row, bool checked);

    // Marks the row's file as not playable for the reason given, or as playable again (empty).
    void SetMissingReason(int row, std::string_view reason);

private:
    bool AppendRow(std::string path, std::int64_t durationMs, const persist::TimeOfDay& begin,
        std::string beginText, std::string missingReason = {});
    void RemoveRows(int first, int last);
    PlayListEntry& MutableRow(int row) { return m_rows[static_cast<std::size_t>(row)]; }

    // Also advances the revision.
    void NotifyChanged(int first, int last);

    std::vector<PlayListEntry> m_rows;
    PlayListObserver* m_observer = nullptr;
    std::uint64_t m_revision = 0;
};

} // namespace players
