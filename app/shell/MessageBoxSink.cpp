#include "shell/MessageBoxSink.h"

#include "dialogs/MessageBox.h"
#include "skin/QtText.h"

#include <QMessageBox>

void CMessageBoxSink::ShowMessage(std::string_view text, std::string_view caption, players::MessageIcon icon)
{
    DefaultMessageBox().Show(m_parent, ToQString(text), ToQString(caption), icon);
}

bool CMessageBoxSink::AskYesNo(std::string_view text, std::string_view caption)
{
    QMessageBox box(QMessageBox::Question, ToQString(caption), ToQString(text),
        QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
