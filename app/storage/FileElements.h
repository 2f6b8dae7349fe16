#pragma once

#include "persist/FileExistence.h"

#include <string>

namespace persist {
class CXmlparse;
class ILoadProgress;
} // namespace persist

namespace players {
class PlayList;
} // namespace players

namespace sonarel {
class ISonarel;
}

namespace storage {

// The File elements that the configuration and the program list files share: one per play list
// row, with the row's full path, the text of its begin time and its length (the Duration column):
//
//   <File Path="/music/a.mp3" BeginTime="08:00:00" Duration="00:03:12"/>
//
// End times and segments are not stored; they are computed again when a list is read. Every file is
// measured again too, since it may have changed; the stored length only stands in for a file that
// cannot be measured when the list is read (a share not mounted yet), so that its row is not lost.

// Adds one File element per row, in list order, after the current element. Stops at the first step
// that fails and returns false then.
[[nodiscard]] bool AddFileElements(persist::CXmlparse& xml, const players::PlayList& list);

// What to do with a row whose file cannot be measured while a list is read.
enum class UnmeasuredRows {
    // Keep it, at its stored begin and with its stored length, marked as missing; a row without a
    // stored length is dropped.
    KeepWithStoredLength,
    // Leave it out.
    Drop,
};

// What reading the File elements of one list found.
struct ListReadReport {
    // Elements with a path: the rows that the file names.
    int Named = 0;
    // Rows whose files could not be measured (not there, or not readable as audio).
    int Unmeasured = 0;
    // Of those, the rows that were left out.
    int Dropped = 0;
};

// Appends the rows of the File elements that follow the cursor (among the current parent's children)
// to the list, measuring every file again through the control. Elements with an empty path and rows
// with an invalid begin time are skipped; files that do not exist or cannot be measured are kept or
// dropped as asked; the first row that would end after midnight ends the reading, and the later
// elements are dropped. Earlier begin times are raised as AppendFileAt does. Nothing is reported to
// the user.
//
// The progress window is shown for the whole reading, even when there is no File element, and
// shows each existing file before it is measured.
ListReadReport ReadFileElements(persist::CXmlparse& xml, players::PlayList& list, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, UnmeasuredRows unmeasured);

} // namespace storage
