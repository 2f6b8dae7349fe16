#pragma once

#include <string>

// The folder of the running program, ending with '/'; empty when it cannot be found out.
[[nodiscard]] std::string ModuleDirectory();
