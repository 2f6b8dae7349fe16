#include "shell/MessageBoxSink.h"

#include "dialogs/MessageBox.h"

#include <QMessageBox>

namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void CMessageBoxSink::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon)
{
    DefaultMessageBox().Show(m_parent, Text(text), Text(caption), icon);
}

bool CMessageBoxSink::AskYesNo(std::string_view text, std::string_view caption)
{
    QMessageBox box(
        QMessageBox::Question, Text(caption), Text(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
