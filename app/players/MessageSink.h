#pragma once

#include <string_view>

namespace players {

enum class MessageIcon {
    None,
    Information,
    Exclamation,
    Error,
    Question,
};

// Caption of every message the program shows.
inline constexpr std::string_view MESSAGE_CAPTION = "Tessaly";

// Modal messages to the user; the main window shows them as message boxes over itself.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;

    virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
    // A question with Yes and No; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
};

} // namespace players
