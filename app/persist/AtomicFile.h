#pragma once

#include <string>
#include <string_view>

namespace persist {

// Replaces the file at path with exactly the given bytes, or leaves it as it was.
//
// The bytes go to a new temporary file in the same folder, which is flushed to disk and then
// renamed over the target, so that a full disk, a crash or a power cut can never leave a
// truncated file where a good one stood. On any failure the temporary file is removed, the old
// file is untouched and the result is false. A target that the user may not write is not replaced
// (false), although the folder would allow it. An existing target keeps its permission bits; a new
// one gets the usual 0666 less the umask. When the target is a symbolic link, the file it points
// to is replaced and the link stays.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace persist
