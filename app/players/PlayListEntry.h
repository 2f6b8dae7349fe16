#pragma once

#include <array>
#include <string>
#include <string_view>

namespace players {

// Columns of a play list, in display order.
enum PlayListColumn : int {
    COLUMN_FILE = 0,
    COLUMN_DURATION = 1,
    COLUMN_BEGIN_TIME = 2,
    COLUMN_END_TIME = 3,
    COLUMN_SEGMENT = 4,
    COLUMN_COUNT = 5,
};

inline constexpr std::array<std::string_view, COLUMN_COUNT> PlayListColumnTitles { "File", "Duration",
    "BeginTime", "EndTime", "Segment" };
// Widths at creation; the segment column is hidden and only groups the rows.
inline constexpr std::array<int, COLUMN_COUNT> PlayListColumnWidths { 200, 100, 100, 100, 0 };

// Why a row's file cannot be played, as its tip says.
inline constexpr std::string_view MISSING_FILE_NOT_FOUND = "File not found";
inline constexpr std::string_view MISSING_NOT_MEASURED = "The file could not be read as audio";

// One row of a play list. The texts are what the list shows and what the files store; they are the
// source of truth for the row's times, which are parsed back with TimeOfDay when needed.
struct PlayListEntry {
    // The file name: the path after its last '/'.
    std::string File;
    // Whole seconds, "%02d:%02d:%02d".
    std::string Duration;
    std::string BeginTime;
    std::string EndTime;
    // "Segment %d": rows are grouped by this text.
    std::string Segment;
    // The full path of the file; the row owns it.
    std::string Path;
    // Why the row's file cannot be played at the moment (not found, could not be measured); empty
    // while it can. The row keeps its place and times meanwhile, so that nothing is lost while a
    // share or a disk is not there yet.
    std::string MissingReason;
    bool Selected = false;
    // The row's check box; only the list view changes it, and it stays with the row position.
    bool Checked = false;

    [[nodiscard]] const std::string& ColumnText(int column) const;

    friend bool operator==(const PlayListEntry&, const PlayListEntry&) = default;
};

} // namespace players
