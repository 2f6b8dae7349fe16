#include "dialogs/MessageBox.h"

#include <QMessageBox>

namespace {

class QtMessageBox final : public IMessageBox {
public:
    void Show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override
    {
        QMessageBox box(QtIcon(icon), caption, text, QMessageBox::Ok, parent);
        box.exec();
    }
};

} // namespace

QMessageBox::Icon QtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

IMessageBox& DefaultMessageBox()
{
    static QtMessageBox box;
    return box;
}
