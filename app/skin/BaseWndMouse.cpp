// The mouse over a skinned window: the hot item, hovering and tips, clicks and double clicks reported
// to the parent, and dragging the top-level window from a point on no item.

#include "skin/BaseWnd.h"
#include "skin/XInfoTip.h"

#include <QMouseEvent>
#include <QPointer>

void CBaseWnd::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const Qt::MouseButtons buttons = event->buttons();
    m_lastMousePos = point;
    m_lastButtons = buttons;
    for (const auto& owned : m_items) {
        SkinItem* item = owned.get();
        if ((item->state & ITEMSTATE_DISABLED) != 0)
            continue;
        const bool inside = item->rect.Contains(point.x(), point.y());
        const bool hot = (item->state & ITEMSTATE_HOT) != 0;
        if (inside && !hot) {
            if (OnItemHot(item, buttons, point) == 0) {
                item->state |= ITEMSTATE_HOT;
                RepaintItem(item);
            }
        } else if (!inside && hot) {
            if (OnItemLeave(item, buttons, point) == 0) {
                item->state &= ~ITEMSTATE_HOT;
                RepaintItem(item);
            }
        }
    }
    SkinItem* under = ItemFromPoint(point);
    if (m_movesWindow && (buttons & Qt::LeftButton) != 0) {
        // A maximized window stays where it is.
        if (!m_moving && m_pressOnEmpty && under == nullptr && !window()->isMaximized())
            m_moving = m_dragger.BeginMove(window(), m_pressGlobal);
        if (m_moving)
            (void)m_dragger.Update(mapToGlobal(point));
    }
    (void)OnItemMouseMove(under, buttons, point);
    m_hoverTimer.start();
}

void CBaseWnd::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_hoverTimer.stop();
    for (const auto& owned : m_items) {
        SkinItem* item = owned.get();
        if ((item->state & ITEMSTATE_HOT) == 0)
            continue;
        if (OnItemLeave(item, m_lastButtons, m_lastMousePos) == 0) {
            item->state &= ~ITEMSTATE_HOT;
            RepaintItem(item);
        }
    }
}

void CBaseWnd::OnHoverTimeout()
{
    // Disabled items still show their tip.
    (void)OnItemHover(ItemFromPoint(m_lastMousePos, true), m_lastButtons, m_lastMousePos);
}

int CBaseWnd::OnItemHover(SkinItem* item, Qt::MouseButtons /*buttons*/, const QPoint& point)
{
    if (item != nullptr && !item->tip.isEmpty() && m_tip)
        m_tip->Show(item->tip, mapToGlobal(point), TIP_DELAY_MS);
    return 0;
}

void CBaseWnd::mousePressEvent(QMouseEvent* event)
{
    // A click answers the tip: none appears afterwards, also not over a menu the click opened,
    // which takes the mouse so that this window sees no move that would end the wait.
    m_hoverTimer.stop();
    if (m_tip)
        m_tip->Hide();
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    SkinItem* item = ItemFromPoint(point);
    m_pressOnEmpty = item == nullptr;
    m_moving = false;
    m_pressGlobal = mapToGlobal(point);
    if (OnItemLButtonDown(item, event->buttons(), point) == 0)
        DefaultItemLButtonDown(item);
}

void CBaseWnd::DefaultItemLButtonDown(SkinItem* item)
{
    if (item != nullptr) {
        if ((item->style & ITEMSTYLE_CHECKBOX) != 0) {
            item->state ^= ITEMSTATE_CHECKED;
            RepaintItem(item);
        } else if ((item->style & ITEMSTYLE_RADIOBOX) != 0 && (item->state & ITEMSTATE_CHECKED) == 0) {
            item->state |= ITEMSTATE_CHECKED;
            RepaintItem(item);
        }
    }
    SendItemNotify(ITEMNOTIFY_CLICK, item);
}

void CBaseWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const Qt::MouseButtons buttons = event->buttons();
    m_dragger.End();
    m_moving = false;
    m_pressOnEmpty = false;
    const QPointer<CBaseWnd> alive(this);
    // By index: a hook may notify the parent, which may change the item list.
    for (std::size_t index = 0; alive && index < m_items.size(); ++index) {
        SkinItem* item = m_items[index].get();
        if ((item->state & ITEMSTATE_DISABLED) == 0)
            (void)OnItemLButtonUp(item, buttons, point);
    }
    if (alive)
        (void)OnItemLButtonUp(nullptr, buttons, point);
}

void CBaseWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    SkinItem* item = ItemFromPoint(point);
    if (OnItemDblClk(item, event->buttons(), point) == 0)
        SendItemNotify(ITEMNOTIFY_DBLCLK, item);
}
