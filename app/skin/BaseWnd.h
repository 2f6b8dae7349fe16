#pragma once

#include "skin/SkinItem.h"
#include "skin/WindowDragger.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string_view>
#include <vector>

class CBaseSkin;
class CXInfoTip;
class QImage;
class QPainter;

// A skinned child window that owns a list of drawn items: it lays them out on every size change,
// paints them with the skin's colours, fonts and images, tracks the item under the mouse, shows
// item tips and reports clicks to its parent (synchronously, through IItemNotifyReceiver when
// the parent implements it, and through the ItemNotified signal).
//
// Subclasses fill the item list in OnCreate and adjust behaviour through the On... hooks. The
// window does its own bookkeeping first (hit testing, hover tracking) and then calls the hook; a
// hook that returns non-zero suppresses the default action that would follow it.
//
// The window uses its control id as the window id of every skin lookup and an item's id as the
// object id. User-interface thread only.
class CBaseWnd : public QWidget {
    Q_OBJECT

public:
    // How long the mouse has to rest over the window before the item under it is hovered.
    static constexpr int HOVER_TIME_MS = 1500;
    // Delay before an item's tip appears once it is hovered.
    static constexpr int TIP_DELAY_MS = 500;

    // The skin is not owned and must outlive the window.
    explicit CBaseWnd(CBaseSkin* skin, QWidget* parent = nullptr);
    CBaseWnd(const CBaseWnd&) = delete;
    CBaseWnd& operator=(const CBaseWnd&) = delete;
    ~CBaseWnd() override;

    // Names the window, places it under parent with its control id, makes its tooltip, lets the
    // subclass add its items (OnCreate) and shows it. style is kept for subclasses. False when
    // OnCreate fails.
    virtual bool Create(const QString& name, int style, QWidget* parent, int id);

    // Appends a copy of item. The window owns its copies; pointers to them stay valid until the
    // item is removed.
    bool AddItem(const SkinItem& item);
    // The first item with that id gets the value and is repainted; false when there is none.
    bool SetItemImage(int id, int imageId);
    bool SetItemText(int id, const QString& text);
    bool SetItemTip(int id, const QString& text);
    // state = (state without mask) | bits.
    bool SetItemState(int id, int mask, int bits);
    // Replaces the item's embedded control and moves the new one to the item.
    bool SetItemChild(int id, QWidget* child);
    // Takes every item from the head of the list through OnItemRemoved.
    void RemoveAllItems();
    // Reports the item (or none) to the parent: WM_ITEM_NOTIFY with code and an ItemNotifyInfo.
    void SendItemNotify(int code, SkinItem* item);

    // Skin lookups bound to this window's control id.
    [[nodiscard]] virtual QColor GetItemColour(int objId, int which) const;
    [[nodiscard]] virtual int GetItemMode(int objId, int which) const;
    [[nodiscard]] virtual QFont GetItemFont(int objId) const;
    // The decoded picture, or null when the id is 0, unknown or could not be decoded.
    [[nodiscard]] virtual const QImage* GetSkinImage(int imageId) const;

    // Places every item again, as on a size change.
    void LayoutItems();

    [[nodiscard]] int ControlId() const { return m_controlId; }
    [[nodiscard]] int Style() const { return m_style; }
    [[nodiscard]] CBaseSkin* Skin() const { return m_skin; }
    [[nodiscard]] int ItemCount() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] SkinItem* ItemAt(int index) const;
    // The first item with that id, or null.
    [[nodiscard]] SkinItem* FindItem(int id) const;
    // The first item containing the point; disabled items only when asked for.
    [[nodiscard]] SkinItem* ItemFromPoint(const QPoint& point, bool includeDisabled = false) const;
    [[nodiscard]] CXInfoTip* InfoTip() const { return m_tip.get(); }
    // Drawn at its natural size at the top-left corner when the window's background mode is 3.
    void SetBackgroundImage(int imageId);
    [[nodiscard]] int BackgroundImageId() const { return m_backgroundImageId; }

    // When set, dragging with the left button from a point on no item moves the top-level window
    // (the caption bar and the player panel do this).
    void SetMovesWindow(bool moves) { m_movesWindow = moves; }
    [[nodiscard]] bool MovesWindow() const { return m_movesWindow; }

    // The control id of the top-level toolkit window titled title, 0 when there is none; the skin
    // uses it for scheme elements given by name.
    [[nodiscard]] static int FindWindowIdByTitle(std::string_view title);

signals:
    // Emitted with every notification, after the parent's receiver (if any) has handled it.
    void ItemNotified(int code, const ItemNotifyInfo& info);

protected:
    // Adds the subclass's items; called by Create before the window is shown.
    virtual bool OnCreate() { return true; }

    // Hooks, in the order the window calls them. Non-zero suppresses the default action.
    virtual int OnItemAdded(SkinItem* /*item*/) { return 0; }
    virtual int OnLayoutItem(SkinItem* /*item*/) { return 0; }
    virtual int OnDrawItem(QPainter& /*painter*/, const QRect& /*rect*/, SkinItem* /*item*/) { return 0; }
    virtual int OnItemRemoved(SkinItem* /*item*/) { return 0; }
    virtual int OnItemLButtonDown(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnItemLButtonUp(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnItemHot(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnItemLeave(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnItemDblClk(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnItemMouseMove(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
    {
        return 0;
    }
    virtual int OnDrawBackground(const QRect& /*rect*/, QPainter& /*painter*/, int /*mode*/) { return 0; }
    // item may be null (the mouse rests over no item); the default shows the item's tip.
    virtual int OnItemHover(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point);
    virtual int OnBeforeDrawItems(const QRect& /*rect*/, QPainter& /*painter*/) { return 0; }
    virtual int OnAfterDrawItems(const QRect& /*rect*/, QPainter& /*painter*/) { return 0; }
    virtual int OnDrawItemBorder(QPainter& /*painter*/, const QRect& /*rect*/, SkinItem* /*item*/)
    {
        return 0;
    }
    virtual int OnDrawItemBackground(QPainter& /*painter*/, const QRect& /*rect*/, SkinItem* /*item*/)
    {
        return 0;
    }
    virtual int OnDrawItemImage(QPainter& /*painter*/, const QRect& /*rect*/, SkinItem* /*item*/)
    {
        return 0;
    }
    virtual int OnDrawItemText(QPainter& /*painter*/, const QRect& /*rect*/, SkinItem* /*item*/) { return 0; }

    // The default of a left-button press: a check box toggles, a radio box becomes checked, and the
    // parent is told of the click. For subclasses whose hook adds to the default.
    void DefaultItemLButtonDown(SkinItem* item);
    // The item's size before placement: its image, or its measured text (with the box of a check
    // or radio item and the padding), limited as its layout flags say.
    [[nodiscard]] QSize NaturalSize(const SkinItem& item) const;
    // Where the item's text is drawn.
    [[nodiscard]] QRect TextRect(const SkinItem& item) const;
    // Where an item with both a picture and a text draws the picture.
    [[nodiscard]] QRect ImageRect(const SkinItem& item) const;
    void RepaintItem(const SkinItem* item);
    // Draws a picture with the window's colour key, toned for the item state.
    void DrawSkinImage(QPainter& painter, const QRect& target, const QImage& image, int state) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void LayoutItem(std::size_t index);
    // Moves the item's embedded control onto the item.
    void PlaceChild(const SkinItem& item);
    void DrawBackground(QPainter& painter, const QRect& rect);
    void DrawItem(QPainter& painter, SkinItem* item);
    void DrawItemBackground(QPainter& painter, const SkinItem& item);
    void DrawItemBorder(QPainter& painter, const SkinItem& item);
    void DrawItemImage(QPainter& painter, const SkinItem& item);
    void DrawItemText(QPainter& painter, const SkinItem& item);
    [[nodiscard]] QSize TextSize(const SkinItem& item, int maxWidth) const;
    void OnHoverTimeout();

    std::vector<std::unique_ptr<SkinItem>> m_items;
    int m_backgroundImageId = 0;
    int m_controlId = 0;
    int m_style = 0;
    std::unique_ptr<CXInfoTip> m_tip;
    CBaseSkin* m_skin = nullptr;
    QTimer m_hoverTimer;
    QPoint m_lastMousePos;
    Qt::MouseButtons m_lastButtons;
    bool m_movesWindow = false;
    // A press on no item, from where a drag moves the window.
    bool m_pressOnEmpty = false;
    bool m_moving = false;
    QPoint m_pressGlobal;
    WindowDragger m_dragger;
};
