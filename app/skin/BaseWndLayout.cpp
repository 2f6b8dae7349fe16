// Measuring and placing a skinned window's items: the window measures each item's content with its
// fonts and images and lets the plain layout place it, then moves embedded controls onto their items.

#include "skin/BaseWnd.h"
#include "skin/ItemGeometry.h"
#include "skin/ItemLayout.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

ItemPlacement PlacementOf(const SkinItem& item)
{
    return ItemPlacement { item.layout, item.rect, item.marginLeft, item.marginRight, item.marginTop,
        item.marginBottom, item.widthPercent, item.heightPercent };
}

} // namespace

QSize CBaseWnd::TextSize(const SkinItem& item, int maxWidth) const
{
    // Fractional metrics rounded up: a text is never given less room than it needs.
    const QFontMetricsF metrics(GetItemFont(item.id));
    const int lineHeight = static_cast<int>(std::ceil(metrics.height()));
    if (item.text.isEmpty())
        return QSize(0, lineHeight);
    if (maxWidth > 0) {
        const QRectF bounds
            = metrics.boundingRect(QRectF(0, 0, maxWidth, 1 << 20), Qt::TextWordWrap, item.text);
        return QSize(
            static_cast<int>(std::ceil(bounds.width())), static_cast<int>(std::ceil(bounds.height())));
    }
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(item.text))), lineHeight);
}

QSize CBaseWnd::NaturalSize(const SkinItem& item) const
{
    QSize size;
    if (const QImage* image = GetSkinImage(item.imageId)) {
        size = image->size();
    } else {
        int maxWidth = 0;
        if ((item.layout & LAYOUT_AUTOSIZE) != 0)
            maxWidth = width() - 2 * item.padding - item.marginLeft - item.marginRight;
        if ((item.layout & LAYOUT_FIXED_WIDTH) != 0)
            maxWidth = item.rect.Width();
        const int fixedHeight = (item.layout & LAYOUT_FIXED_HEIGHT) != 0 ? item.rect.Height() : 0;
        // A check or radio box takes a square as high as the item in front of the text.
        const QSize text = TextSize(item, 0);
        const int height = fixedHeight > 0 ? fixedHeight : text.height() + 2 * item.padding;
        const int box = IsBoxItem(item) ? height : 0;
        if (maxWidth > 0 && text.width() + box + 2 * item.padding > maxWidth) {
            const QSize wrapped = TextSize(item, std::max(maxWidth - box - 2 * item.padding, 1));
            size = QSize(wrapped.width() + box + 2 * item.padding, wrapped.height() + 2 * item.padding);
        } else {
            size = QSize(text.width() + box + 2 * item.padding, text.height() + 2 * item.padding);
        }
    }
    if ((item.layout & LAYOUT_FIXED_WIDTH) != 0)
        size.setWidth(item.rect.Width());
    if ((item.layout & LAYOUT_FIXED_HEIGHT) != 0)
        size.setHeight(item.rect.Height());
    return size;
}

void CBaseWnd::LayoutItems()
{
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        SkinItem* item = m_items[index].get();
        if (OnLayoutItem(item) == 0)
            LayoutItem(index);
        PlaceChild(*item);
    }
}

void CBaseWnd::LayoutItem(std::size_t index)
{
    SkinItem& item = *m_items[index];
    if (!IsPlacedByLayout(item.layout))
        return;
    const QSize natural = NaturalSize(item);
    std::vector<ItemPlacement> earlier;
    earlier.reserve(index);
    for (std::size_t earlierIndex = 0; earlierIndex < index; ++earlierIndex)
        earlier.push_back(PlacementOf(*m_items[earlierIndex]));
    item.rect = PlaceItem(PlacementOf(item), earlier, natural.width(), natural.height(), width(), height());
}

void CBaseWnd::PlaceChild(const SkinItem& item)
{
    QWidget* child = item.child;
    if (child == nullptr)
        return;
    QRect place = ToQRect(item.rect);
    // A control that belongs to another window (the main window's list views) is moved over the
    // item in its own parent's coordinates, and kept above this window.
    QWidget* owner = child->parentWidget();
    if (owner != nullptr && owner != this) {
        place.moveTopLeft(owner->mapFromGlobal(mapToGlobal(place.topLeft())));
        child->raise();
    }
    child->setGeometry(place);
}

void CBaseWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutItems();
}

void CBaseWnd::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    for (const auto& item : m_items) {
        if (item->child != nullptr && item->child->parentWidget() != this)
            PlaceChild(*item);
    }
}
