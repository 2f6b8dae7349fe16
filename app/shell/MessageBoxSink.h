#pragma once

#include "players/MessageSink.h"

class QWidget;

// The program's messages as modal message boxes over a window.
class CMessageBoxSink final : public players::IMessageSink {
public:
    // The parent is not owned; null centres the boxes on the screen.
    explicit CMessageBoxSink(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }

    void ShowMessage(std::string_view text, std::string_view caption, players::MessageIcon icon) override;
    [[nodiscard]] bool AskYesNo(std::string_view text, std::string_view caption) override;

private:
    QWidget* m_parent = nullptr;
};
