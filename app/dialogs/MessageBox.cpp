#include "dialogs/MessageBox.h"

#include <QMessageBox>

namespace {

class QtMessageBox final : public IMessageBox {
public:
    void Show(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override
    {
        QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
            caption, text, QMessageBox::Ok, parent);
        box.exec();
    }
};

} // namespace

IMessageBox& DefaultMessageBox()
{
    static QtMessageBox box;
    return box;
}
