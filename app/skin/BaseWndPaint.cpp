// Painting a skinned window: its background, then every item's background, border, picture and
// text in the skin's colours, each step open to the subclass's hooks.

#include "skin/BaseSkin.h"
#include "skin/BaseWnd.h"
#include "skin/ItemGeometry.h"
#include "skin/QtSkinImage.h"
#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>

void CBaseWnd::RepaintItem(const SkinItem* item)
{
    if (item != nullptr)
        update(ToQRect(item->rect).adjusted(-1, -1, 1, 1));
}

void CBaseWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Embedded controls paint themselves: never draw over them.
    QRegion clip = event->region();
    for (const auto& item : m_items) {
        if (item->child != nullptr && item->child->isVisible())
            clip -= ToQRect(item->rect);
    }
    painter.setClipRegion(clip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QRect client = rect();
    const int mode = GetItemMode(0, SKINMODE_WND_BK);
    if (OnDrawBackground(client, painter, mode) == 0)
        DrawBackground(painter, client);
    (void)OnBeforeDrawItems(client, painter);
    for (const auto& item : m_items) {
        if (OnDrawItem(painter, ToQRect(item->rect), item.get()) == 0)
            DrawItem(painter, item.get());
    }
    (void)OnAfterDrawItems(client, painter);
}

void CBaseWnd::DrawBackground(QPainter& painter, const QRect& rect)
{
    switch (GetItemMode(0, SKINMODE_WND_BK)) {
    case BKMODE_SOLID:
        painter.fillRect(rect, GetItemColour(0, SKINCOLOUR_WND_BKBEGIN));
        break;
    case BKMODE_GRADIENT:
        painter.fillRect(rect,
            GradientBrush(rect, GetItemColour(0, SKINCOLOUR_WND_BKBEGIN),
                GetItemColour(0, SKINCOLOUR_WND_BKEND), GetItemMode(0, SKINMODE_WND_GRAD)));
        break;
    case BKMODE_IMAGE:
        if (const QImage* image = GetSkinImage(m_backgroundImageId))
            painter.drawImage(QPoint(0, 0), *image);
        break;
    default:
        break;
    }
}

void CBaseWnd::DrawItem(QPainter& painter, SkinItem* item)
{
    const QRect rect = ToQRect(item->rect);
    if ((item->style & ITEMSTYLE_BACKGROUND) != 0 && OnDrawItemBackground(painter, rect, item) == 0)
        DrawItemBackground(painter, *item);
    if ((item->style & ITEMSTYLE_BORDER) != 0 && OnDrawItemBorder(painter, rect, item) == 0)
        DrawItemBorder(painter, *item);
    if (item->imageId != 0 && OnDrawItemImage(painter, rect, item) == 0)
        DrawItemImage(painter, *item);
    if ((!item->text.isEmpty() || IsBoxItem(*item)) && OnDrawItemText(painter, rect, item) == 0)
        DrawItemText(painter, *item);
}

void CBaseWnd::DrawItemBackground(QPainter& painter, const SkinItem& item)
{
    const QRect rect = ToQRect(item.rect);
    const bool hot = (item.state & (ITEMSTATE_HOT | ITEMSTATE_HIGHLIGHT)) != 0;
    switch (GetItemMode(item.id, SKINMODE_OBJ_BK)) {
    case BKMODE_SOLID:
        painter.fillRect(rect,
            hot ? GetItemColour(0, SKINCOLOUR_OBJ_BKHI) : GetItemColour(item.id, SKINCOLOUR_OBJ_BKBEGIN));
        break;
    case BKMODE_GRADIENT:
        painter.fillRect(rect,
            GradientBrush(rect, GetItemColour(item.id, SKINCOLOUR_OBJ_BKBEGIN),
                GetItemColour(item.id, hot ? SKINCOLOUR_OBJ_BKHI : SKINCOLOUR_OBJ_BKEND),
                GetItemMode(item.id, SKINMODE_OBJ_GRAD)));
        break;
    default:
        break;
    }
}

void CBaseWnd::DrawItemBorder(QPainter& painter, const SkinItem& item)
{
    if (item.borderWidth <= 0.0F)
        return;
    // The pen is kept inside the item's rectangle.
    const qreal half = item.borderWidth / 2.0;
    const QRectF outline = QRectF(ToQRect(item.rect)).adjusted(half, half, -half, -half);
    const QPainter::RenderHints hints = painter.renderHints();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(GetItemColour(item.id, SKINCOLOUR_OBJ_BORDER), item.borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outline);
    painter.setRenderHints(hints);
}

void CBaseWnd::DrawSkinImage(QPainter& painter, const QRect& target, const QImage& image, int state) const
{
    if (target.isEmpty())
        return;
    ImageTone tone = ImageTone::Normal;
    if ((state & ITEMSTATE_DISABLED) != 0)
        tone = ImageTone::Grey;
    else if ((state & ITEMSTATE_HOT) != 0)
        tone = ImageTone::Bright;
    const QImage toned = ToneImage(image, GetItemColour(0, m_skin->ColourKeyLowIndex()),
        GetItemColour(0, m_skin->ColourKeyHighIndex()), tone);
    painter.drawImage(target, toned);
}

QRect CBaseWnd::ImageRect(const SkinItem& item) const
{
    const QRect rect = ToQRect(item.rect);
    const QImage* image = GetSkinImage(item.imageId);
    if (image == nullptr)
        return {};
    if (item.text.isEmpty())
        return rect;
    // Beside a text the picture keeps its proportions and fits the item's height.
    const int side = std::max(std::min(image->height(), rect.height() - 4), 1);
    const int imageWidth = std::max(image->width() * side / std::max(image->height(), 1), 1);
    const int top = rect.top() + (rect.height() - side) / 2;
    if ((item.textAlign & TEXTALIGN_RIGHT) != 0)
        return QRect(rect.right() + 1 - item.padding - imageWidth, top, imageWidth, side);
    return QRect(rect.left() + item.padding, top, imageWidth, side);
}

void CBaseWnd::DrawItemImage(QPainter& painter, const SkinItem& item)
{
    const QImage* image = GetSkinImage(item.imageId);
    if (image == nullptr)
        return;
    const QRect target = ImageRect(item);
    DrawSkinImage(painter, target, *image, item.state);
    if ((item.state & ITEMSTATE_HOT) != 0 && (item.style & ITEMSTYLE_HOT_FRAME) != 0) {
        const QPainter::RenderHints hints = painter.renderHints();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(ToQRect(item.rect)).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setRenderHints(hints);
    }
}

QRect CBaseWnd::TextRect(const SkinItem& item) const
{
    const QRect rect = ToQRect(item.rect);
    int left = rect.left();
    int right = rect.left() + rect.width();
    // A check or radio box stands in front of the text, one item height wide.
    if (IsBoxItem(item))
        left += rect.height();
    const QRect image = item.imageId != 0 ? ImageRect(item) : QRect();
    const bool rightAligned = (item.textAlign & TEXTALIGN_RIGHT) != 0;
    if (!image.isNull() && !rightAligned)
        left = image.left() + image.width();
    if (!image.isNull() && rightAligned)
        right = image.left();

    const int available = std::max(right - left - 2 * item.padding, 0);
    const bool wraps = (item.layout & LAYOUT_AUTOSIZE) != 0;
    QSize text = TextSize(item, 0);
    if (wraps && text.width() > available)
        text = TextSize(item, std::max(available, 1));
    const int textWidth = std::min(text.width(), available);
    const int textHeight = std::min(text.height(), rect.height());

    int x = left + item.padding;
    if (rightAligned) {
        x = right - item.padding - textWidth;
    } else if ((item.textAlign & TEXTALIGN_CENTER) != 0) {
        x = left + item.padding + (available - textWidth) / 2;
    }
    int y = rect.top();
    if ((item.textAlign & TEXTALIGN_VCENTER) != 0)
        y = rect.top() + (rect.height() - textHeight) / 2;
    else if ((item.textAlign & TEXTALIGN_BOTTOM) != 0)
        y = rect.top() + rect.height() - textHeight;
    return QRect(x, y, textWidth, textHeight);
}

void CBaseWnd::DrawItemText(QPainter& painter, const SkinItem& item)
{
    const QRect rect = ToQRect(item.rect);
    if (IsBoxItem(item)) {
        const int checked = item.state & ITEMSTATE_CHECKED;
        const int boxId = (item.style & ITEMSTYLE_CHECKBOX) != 0 ? m_skin->CheckBoxImageId(checked)
                                                                 : m_skin->RadioBoxImageId(checked);
        if (const QImage* box = GetSkinImage(boxId)) {
            const int side = rect.height() - 4;
            DrawSkinImage(painter, QRect(rect.left() + 2, rect.top() + 2, side, side), *box,
                item.state & ITEMSTATE_DISABLED);
        }
    }
    if (item.text.isEmpty())
        return;

    QColor colour;
    if ((item.state & ITEMSTATE_DISABLED) != 0)
        colour = GetItemColour(item.id, SKINCOLOUR_OBJ_TEXTGRAY);
    else if ((item.state & ITEMSTATE_HOT) != 0 && (item.style & ITEMSTYLE_NO_HOT_TEXT) == 0)
        colour = GetItemColour(item.id, SKINCOLOUR_OBJ_TEXTHI);
    else if ((item.style & ITEMSTYLE_ALT_TEXT) != 0)
        colour = GetItemColour(0, m_skin->AltTextColourIndex());
    else
        colour = GetItemColour(item.id, SKINCOLOUR_OBJ_TEXT);

    const QRect textRect = TextRect(item);
    if (textRect.width() <= 0)
        return;
    const QFont font = GetItemFont(item.id);
    const QFontMetrics metrics(font);
    const bool centred = (item.textAlign & TEXTALIGN_RIGHT) != 0
        || ((item.textAlign & TEXTALIGN_CENTER) != 0 && item.layout == LAYOUT_KEEP_RECT);
    const int flags = (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
    painter.setFont(font);
    painter.setPen(colour);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    if (textRect.height() > metrics.height() && (item.layout & LAYOUT_AUTOSIZE) != 0) {
        painter.drawText(textRect, flags | Qt::TextWordWrap, item.text);
    } else if (TextSize(item, 0).width() > textRect.width()) {
        // Long texts, usually paths, lose their middle so that both ends stay readable.
        painter.drawText(textRect, flags, metrics.elidedText(item.text, Qt::ElideMiddle, textRect.width()));
    } else {
        painter.drawText(textRect, flags, item.text);
    }
    painter.restore();
}
