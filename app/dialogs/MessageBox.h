#pragma once

#include <QString>

class QWidget;

enum class MessageIcon {
    None,
    Information,
};

// Shows a message with an OK button and returns when it is dismissed. The dialogs take one so
// that tests can answer their messages without a modal box.
class IMessageBox {
public:
    IMessageBox() = default;
    IMessageBox(const IMessageBox&) = delete;
    IMessageBox& operator=(const IMessageBox&) = delete;
    virtual ~IMessageBox() = default;

    virtual void Show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) = 0;
};

// The platform's modal message box.
IMessageBox& DefaultMessageBox();
