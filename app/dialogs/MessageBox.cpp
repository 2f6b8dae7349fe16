#include "dialogs/MessageBox.h"

#include <QMessageBox>

namespace {

class QtMessageBox final : public IMessageBox {
public:
    void Show(
        QWidget* parent, const QString& text, const QString& caption, players::MessageIcon icon) override
    {
        QMessageBox box(QtIcon(icon), caption, text, QMessageBox::Ok, parent);
        box.exec();
    }
};

} // namespace

QMessageBox::Icon QtIcon(players::MessageIcon icon)
{
    switch (icon) {
    case players::MessageIcon::Information:
        return QMessageBox::Information;
    case players::MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case players::MessageIcon::Error:
        return QMessageBox::Critical;
    case players::MessageIcon::Question:
        return QMessageBox::Question;
    case players::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

IMessageBox& DefaultMessageBox()
{
    static QtMessageBox box;
    return box;
}
