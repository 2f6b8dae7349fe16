#pragma once

#include <string>
#include <string_view>

namespace persist {

// The progress window that readers of stored lists show while they measure the listed files. The
// load file window implements it; readers without a window pass an implementation that shows nothing.
class ILoadProgress {
public:
    virtual ~ILoadProgress() = default;
    virtual void Show() = 0;
    // Shows LoadingText(path): the file that is being measured now.
    virtual void ShowLoading(std::string_view path) = 0;
    virtual void Hide() = 0;
};

// "Loading %s" with the path.
[[nodiscard]] inline std::string LoadingText(std::string_view path)
{
    return "Loading " + std::string(path);
}

} // namespace persist
