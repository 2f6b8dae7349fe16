#pragma once

#include <string>

namespace persist {
class ILoadProgress;
} // namespace persist

namespace players {
class PlayList;
} // namespace players

namespace sonarel {
class ISonarel;
}

namespace storage {

// A program list file carries one player's play list on its own, so that a list can move between
// players or machines. Only the rows travel, as File elements like those of the configuration:
//
//   <KVProgram Version="1.0.0">
//     <File Path="/music/a.mp3" BeginTime="08:00:00" Duration="00:03:12"/>
//   </KVProgram>

// Writes the list's rows; an empty list gives an empty KVProgram element. An existing file is
// replaced, but only once the new content is safely on disk.
[[nodiscard]] bool ExportProgramList(const players::PlayList& list, const std::string& path);

// Replaces the list's rows with those of the file, measuring every file again and placing the rows
// as the configuration reader does; rows whose files cannot be measured are left out, and their
// number goes to notFound. False, with the list untouched, when the file cannot be read, has no
// KVProgram root, or names rows none of whose files could be measured (a list from a machine whose
// files are not here must not empty the player's list); true otherwise, also for a file without rows.
[[nodiscard]] bool ImportProgramList(const std::string& path, players::PlayList& list,
    sonarel::ISonarel& control, persist::ILoadProgress& progress, int* notFound = nullptr);

} // namespace storage
