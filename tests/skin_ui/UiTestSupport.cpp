#include "UiTestSupport.h"

#include "skin/BaseWnd.h"

#include <gtest/gtest.h>

namespace uitest {

void SendMouse(
    QWidget* widget, QEvent::Type type, const QPoint& point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(
        type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Press(QWidget* widget, const QPoint& point)
{
    SendMouse(widget, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
}

void Release(QWidget* widget, const QPoint& point)
{
    SendMouse(widget, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
}

void Click(QWidget* widget, const QPoint& point)
{
    Press(widget, point);
    Release(widget, point);
}

void DoubleClick(QWidget* widget, const QPoint& point)
{
    Click(widget, point);
    SendMouse(widget, QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
    Release(widget, point);
}

void Move(QWidget* widget, const QPoint& point, bool leftHeld)
{
    SendMouse(widget, QEvent::MouseMove, point, Qt::NoButton, leftHeld ? Qt::LeftButton : Qt::NoButton);
}

void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

QPoint Centre(const SkinItem& item)
{
    return QPoint((item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2);
}

void NotificationLog::Watch(QObject* window)
{
    QObject::connect(qobject_cast<CBaseWnd*>(window), &CBaseWnd::ItemNotified,
        [this](int code, const ItemNotifyInfo& info) {
            entries.push_back(Notification { code, info.sender, info.item != nullptr ? info.item->id : -1 });
        });
}

int NotificationLog::Count(int code) const
{
    int count = 0;
    for (const Notification& entry : entries)
        count += entry.code == code ? 1 : 0;
    return count;
}

SkinItem MakeItem(int id, int layout, int width, int height, float widthPercent)
{
    SkinItem item;
    item.id = id;
    item.layout = layout;
    item.rect = { 0, 0, width, height };
    item.widthPercent = widthPercent;
    return item;
}

} // namespace uitest
