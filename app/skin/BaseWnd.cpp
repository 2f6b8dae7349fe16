#include "skin/BaseWnd.h"

#include "skin/BaseSkin.h"
#include "skin/QtSkinImage.h"
#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"
#include "skin/XInfoTip.h"

#include <QApplication>
#include <QPointer>

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
