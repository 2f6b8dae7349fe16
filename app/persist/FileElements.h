#pragma once

#include <string>

class CXmlparse;
class ILoadProgress;
class PlayList;

namespace sonarel {
class ISonarel;
}

// The File elements that the configuration and the program list files share: one per play list
// row, with the row's full path and the text of its begin time. Durations, end times and segments
// are not stored; they are measured and computed again when a list is read.

// Adds one File element per row, in list order, after the current element. Stops at the first step
// that fails and returns false then.
[[nodiscard]] bool AddFileElements(CXmlparse& xml, const PlayList& list);

// Appends the rows of the File elements that follow the cursor (among the current parent's children)
// to the list, measuring every file again through the control. Elements with an empty path, files
// that do not exist or cannot be measured and rows with an invalid begin time are skipped; the first
// row that would end after midnight ends the reading, and the later elements are dropped. Earlier
// begin times are raised as AppendFileAt does. Nothing is reported.
//
// The progress window is shown for the whole reading, even when there is no File element, and
// shows each existing file before it is measured.
void ReadFileElements(CXmlparse& xml, PlayList& list, sonarel::ISonarel& control, ILoadProgress& progress);

// Whether a listed file is there. A file that exists but may not be looked at counts as existing:
// it is for the control to find out whether it can be read.
[[nodiscard]] bool ListedFileExists(const std::string& path);
