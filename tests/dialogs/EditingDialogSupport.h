#pragma once

#include "dialogs/MessageBox.h"
#include "skin/BaseDialog.h"
#include "skin/BaseWnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include <vector>

namespace dlgtest {

// Records every message instead of showing it.
class RecordingMessageBox final : public IMessageBox {
public:
    struct Message {
        QString text;
        QString caption;
        players::MessageIcon icon = players::MessageIcon::None;
    };

    void Show(
        QWidget* /*parent*/, const QString& text, const QString& caption, players::MessageIcon icon) override
    {
        messages.push_back({ text, caption, icon });
    }

    std::vector<Message> messages;
};

// Clicks the item with the given id of a skinned window at its centre.
inline void ClickItem(CBaseWnd* window, int id)
{
    ASSERT_NE(window, nullptr);
    SkinItem* item = window->FindItem(id);
    ASSERT_NE(item, nullptr) << "no item " << id;
    const QPointF point((item->rect.left + item->rect.right) / 2, (item->rect.top + item->rect.bottom) / 2);
    const QPointF global(window->mapToGlobal(point));
    QMouseEvent press(
        QEvent::MouseButtonPress, point, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    QMouseEvent release(
        QEvent::MouseButtonRelease, point, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &release);
}

// Shows the dialog offscreen so that its panes are laid out.
inline void Open(CBaseDialog& dialog)
{
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    dialog.LayoutPanes();
}

} // namespace dlgtest
