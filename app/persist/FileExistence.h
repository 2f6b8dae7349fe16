#pragma once

#include <string>

namespace persist {

// Whether a listed file is there. A file that exists but may not be looked at counts as existing:
// it is for the control to find out whether it can be read.
[[nodiscard]] bool ListedFileExists(const std::string& path);

} // namespace persist
