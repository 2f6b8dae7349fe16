#include "persist/FileExistence.h"

#include <cerrno>
#include <unistd.h>

namespace persist {

bool ListedFileExists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0 || errno == EACCES;
}

} // namespace persist
