#pragma once

#include <string>

namespace persist {

// The folder of the running program, ending with '/'; empty when it cannot be found out.
[[nodiscard]] std::string ModuleDirectory();

} // namespace persist
