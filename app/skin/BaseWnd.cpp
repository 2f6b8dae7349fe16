#include "skin/BaseWnd.h"

#include "skin/BaseSkin.h"
#include "skin/QtSkinImage.h"
#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"
#include "skin/XInfoTip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace {

QRect ToQRect(const SkinRect& rect)
{
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

// The anchor that decides how an item flows: the lowest anchor bit of its layout flags.
int AnchorOf(int layout)
{
    const int anchors = layout & LAYOUT_ANCHOR_MASK;
    return anchors & -anchors;
}

bool IsLeftAnchor(int anchor)
{
    return (anchor & (LAYOUT_LEFT_NEWLINE | LAYOUT_LEFT | LAYOUT_LEFT_BOTTOM)) != 0;
}

bool IsTopAnchor(int anchor)
{
    return (anchor & (LAYOUT_LEFT_NEWLINE | LAYOUT_LEFT | LAYOUT_RIGHT_NEWLINE | LAYOUT_RIGHT)) != 0;
}

int Percent(float percent, int space)
{
    return static_cast<int>(static_cast<float>(std::max(space, 0)) * percent / 100.0F);
}

bool IsBoxItem(const SkinItem& item)
{
    return (item.style & (ITEMSTYLE_CHECKBOX | ITEMSTYLE_RADIOBOX)) != 0;
}

} // namespace

CBaseWnd::CBaseWnd(CBaseSkin* skin, QWidget* parent)
    : QWidget(parent)
    , m_skin(skin)
{
    // Every pixel is painted by paintEvent: nothing is erased first, so resizing does not flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    // Its own cursor, so that the dialog's resize cursor never shows over it.
    setCursor(Qt::ArrowCursor);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(HOVER_TIME_MS);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CBaseWnd::OnHoverTimeout);
}

CBaseWnd::~CBaseWnd()
{
    RemoveAllItems();
}

bool CBaseWnd::Create(const QString& name, int style, QWidget* parent, int id)
{
    setObjectName(name);
    setWindowTitle(name);
    m_style = style;
    m_controlId = id;
    if (parent != nullptr && parent != parentWidget())
        setParent(parent);
    setGeometry(0, 0, 1, 1);
    if (!m_tip) {
        m_tip = std::make_unique<CXInfoTip>(this);
        m_tip->setFont(QApplication::font());
    }
    if (!OnCreate())
        return false;
    show();
    return true;
}

bool CBaseWnd::AddItem(const SkinItem& item)
{
    m_items.push_back(std::make_unique<SkinItem>(item));
    (void)OnItemAdded(m_items.back().get());
    return true;
}

SkinItem* CBaseWnd::ItemAt(int index) const
{
    if (index < 0 || index >= ItemCount())
        return nullptr;
    return m_items[static_cast<std::size_t>(index)].get();
}

SkinItem* CBaseWnd::FindItem(int id) const
{
    for (const auto& item : m_items) {
        if (item->id == id)
            return item.get();
    }
    return nullptr;
}

SkinItem* CBaseWnd::ItemFromPoint(const QPoint& point, bool includeDisabled) const
{
    for (const auto& item : m_items) {
        if (!includeDisabled && (item->state & ITEMSTATE_DISABLED) != 0)
            continue;
        if (item->rect.Contains(point.x(), point.y()))
            return item.get();
    }
    return nullptr;
}

bool CBaseWnd::SetItemImage(int id, int imageId)
{
    SkinItem* item = FindItem(id);
    if (item == nullptr)
        return false;
    // The players' state is shown again on every tick of their timers; only a change is drawn.
    if (item->imageId == imageId)
        return true;
    item->imageId = imageId;
    if ((item->layout & LAYOUT_AUTOSIZE) != 0)
        LayoutItems();
    RepaintItem(item);
    return true;
}

bool CBaseWnd::SetItemText(int id, const QString& text)
{
    SkinItem* item = FindItem(id);
    if (item == nullptr)
        return false;
    if (item->text == text)
        return true;
    item->text = text;
    // An item sized from its content is placed again, or a longer text would be cut off.
    if ((item->layout & LAYOUT_AUTOSIZE) != 0) {
        LayoutItems();
        update();
    } else {
        RepaintItem(item);
    }
    return true;
}

bool CBaseWnd::SetItemTip(int id, const QString& text)
{
    SkinItem* item = FindItem(id);
    if (item == nullptr)
        return false;
    item->tip = text;
    return true;
}

bool CBaseWnd::SetItemState(int id, int mask, int bits)
{
    SkinItem* item = FindItem(id);
    if (item == nullptr)
        return false;
    const int state = (item->state & ~mask) | bits;
    if (item->state == state)
        return true;
    item->state = state;
    RepaintItem(item);
    return true;
}

bool CBaseWnd::SetItemChild(int id, QWidget* child)
{
    SkinItem* item = FindItem(id);
    if (item == nullptr)
        return false;
    item->child = child;
    PlaceChild(*item);
    update();
    return true;
}

void CBaseWnd::RemoveAllItems()
{
    while (!m_items.empty()) {
        std::unique_ptr<SkinItem> item = std::move(m_items.front());
        m_items.erase(m_items.begin());
        (void)OnItemRemoved(item.get());
    }
}

void CBaseWnd::SendItemNotify(int code, SkinItem* item)
{
    const ItemNotifyInfo info { m_controlId, item, 0 };
    // The receiver may close the window that holds this one: stop if it is gone.
    const QPointer<CBaseWnd> alive(this);
    if (auto* receiver = dynamic_cast<IItemNotifyReceiver*>(parentWidget()))
        (void)receiver->OnItemNotify(code, info);
    if (alive)
        emit ItemNotified(code, info);
}

QColor CBaseWnd::GetItemColour(int objId, int which) const
{
    return ColourFromArgb(m_skin->GetSkinColour(m_controlId, objId, which));
}

int CBaseWnd::GetItemMode(int objId, int which) const
{
    return m_skin->GetSkinMode(m_controlId, objId, which);
}

QFont CBaseWnd::GetItemFont(int objId) const
{
    return FontFromSkin(m_skin->GetSkinFont(m_controlId, objId), SkinBaseFont(*m_skin));
}

const QImage* CBaseWnd::GetSkinImage(int imageId) const
{
    if (imageId == 0)
        return nullptr;
    return QtSkinImage::From(m_skin->GetImage(imageId));
}

void CBaseWnd::SetBackgroundImage(int imageId)
{
    m_backgroundImageId = imageId;
    update();
}

int CBaseWnd::FindWindowIdByTitle(std::string_view title)
{
    const QString wanted = ToQString(title);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (const auto* window = qobject_cast<const CBaseWnd*>(widget);
            window && window->windowTitle() == wanted)
            return window->ControlId();
    }
    return 0;
}

// ---- Layout -------------------------------------------------------------------------------------

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
    if ((item.layout & LAYOUT_KEEP_RECT) != 0)
        return;
    const int anchor = AnchorOf(item.layout);
    if (anchor == 0)
        return;
    const QSize natural = NaturalSize(item);
    const SkinRect client { 0, 0, width(), height() };

    // The free area: each earlier item moves the edges it bears on; the last move of an edge wins.
    SkinRect free = client;
    for (std::size_t earlierIndex = 0; earlierIndex < index; ++earlierIndex) {
        const SkinItem& earlier = *m_items[earlierIndex];
        if ((earlier.layout & LAYOUT_KEEP_RECT) != 0)
            continue;
        const int earlierAnchor = AnchorOf(earlier.layout);
        const SkinRect& r = earlier.rect;
        const bool noRoomRight = client.Width() < r.right + natural.width();
        const bool noRoomLeft = r.left - natural.width() < client.left;
        switch (anchor) {
        case LAYOUT_LEFT:
            if (earlierAnchor == LAYOUT_LEFT || earlierAnchor == LAYOUT_LEFT_NEWLINE) {
                if (noRoomRight) {
                    free.left = client.left;
                    free.top = r.bottom;
                } else {
                    free.left = r.right;
                    if (earlierAnchor == LAYOUT_LEFT_NEWLINE)
                        free.top = r.top - earlier.marginTop;
                }
            }
            break;
        case LAYOUT_LEFT_NEWLINE:
            if (earlierAnchor == LAYOUT_LEFT_NEWLINE || earlierAnchor == LAYOUT_LEFT)
                free.top = r.bottom;
            else if (earlierAnchor == LAYOUT_LEFT_BOTTOM)
                free.bottom = r.top;
            break;
        case LAYOUT_RIGHT:
            if (earlierAnchor == LAYOUT_RIGHT || earlierAnchor == LAYOUT_RIGHT_NEWLINE) {
                if (noRoomLeft) {
                    free.right = client.right;
                    free.top = r.bottom;
                } else {
                    free.right = r.left;
                    if (earlierAnchor == LAYOUT_RIGHT_NEWLINE)
                        free.top = r.top - earlier.marginTop;
                }
            }
            break;
        case LAYOUT_RIGHT_NEWLINE:
            if (earlierAnchor == LAYOUT_RIGHT_NEWLINE || earlierAnchor == LAYOUT_RIGHT
                || earlierAnchor == LAYOUT_RIGHT_BOTTOM)
                free.top = r.bottom;
            break;
        case LAYOUT_LEFT_BOTTOM:
            if (earlierAnchor == LAYOUT_LEFT_BOTTOM) {
                if (noRoomRight) {
                    free.left = client.left;
                    free.bottom = r.top;
                } else {
                    free.left = r.right;
                }
            }
            break;
        case LAYOUT_RIGHT_BOTTOM:
            if (earlierAnchor == LAYOUT_RIGHT_BOTTOM) {
                if (noRoomLeft) {
                    free.right = client.right;
                    free.bottom = r.top;
                } else {
                    free.right = r.left;
                }
            }
            break;
        default:
            break;
        }
    }

    // Percentages share the free space between the item's margins, so a row of items whose last
    // one takes 100 % ends exactly at the free area's edge.
    const bool naturalWidth = (item.layout & (LAYOUT_FIXED_WIDTH | LAYOUT_AUTOSIZE)) != 0;
    const bool naturalHeight = (item.layout & (LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE)) != 0;
    const int itemWidth = naturalWidth
        ? natural.width()
        : Percent(item.widthPercent, free.Width() - item.marginLeft - item.marginRight);
    const int itemHeight = naturalHeight
        ? natural.height()
        : Percent(item.heightPercent, free.Height() - item.marginTop - item.marginBottom);
    if (IsLeftAnchor(anchor)) {
        item.rect.left = free.left + item.marginLeft;
        item.rect.right = item.rect.left + itemWidth;
    } else {
        item.rect.right = free.right - item.marginRight;
        item.rect.left = item.rect.right - itemWidth;
    }
    if (IsTopAnchor(anchor)) {
        item.rect.top = free.top + item.marginTop;
        item.rect.bottom = item.rect.top + itemHeight;
    } else {
        item.rect.bottom = free.bottom - item.marginBottom;
        item.rect.top = item.rect.bottom - itemHeight;
    }
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

// ---- Painting -----------------------------------------------------------------------------------

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

// ---- Mouse --------------------------------------------------------------------------------------

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
