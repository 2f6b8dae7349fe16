#pragma once

#include "players/MessageSink.h"

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows a message with an OK button and returns when it is dismissed. The dialogs take one so
// that tests can answer their messages without a modal box.
class IMessageBox {
public:
    IMessageBox() = default;
    IMessageBox(const IMessageBox&) = delete;
    IMessageBox& operator=(const IMessageBox&) = delete;
    virtual ~IMessageBox() = default;

    virtual void Show(QWidget* parent, const QString& text, const QString& caption, players::MessageIcon icon)
        = 0;
};

// The platform's modal message box.
IMessageBox& DefaultMessageBox();

// The platform's icon for a message of that kind.
[[nodiscard]] QMessageBox::Icon QtIcon(players::MessageIcon icon);
