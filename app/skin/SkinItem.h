#pragma once

#include "skin/ItemLayout.h"

#include <QString>

#include <variant>

class QWidget;

// The message code a skinned pane's notifications travel under, and what they report.
inline constexpr int WM_ITEM_NOTIFY = 0x0464;
inline constexpr int ITEMNOTIFY_CLICK = 0x0201;
inline constexpr int ITEMNOTIFY_DBLCLK = 0x0203;
inline constexpr int ITEMNOTIFY_SLIDER_CHANGED = 0x0465;

// ItemStyle flags.
inline constexpr int ITEMSTYLE_BORDER = 0x01;
inline constexpr int ITEMSTYLE_BACKGROUND = 0x02;
inline constexpr int ITEMSTYLE_CHECKBOX = 0x04;
inline constexpr int ITEMSTYLE_NO_HOT_TEXT = 0x08;
// Text in the window's bkend colour.
inline constexpr int ITEMSTYLE_ALT_TEXT = 0x20;
// A white 1-pixel frame while hot.
inline constexpr int ITEMSTYLE_HOT_FRAME = 0x40;
inline constexpr int ITEMSTYLE_RADIOBOX = 0x80;
// A slider item of a CSliderWnd; its extra data is a SliderInfo.
inline constexpr int ITEMSTYLE_SLIDER = 0x200;

// ItemState flags.
inline constexpr int ITEMSTATE_HOT = 0x02;
inline constexpr int ITEMSTATE_CHECKED = 0x04;
// Ignored by the mouse (except for its tooltip) and drawn grey.
inline constexpr int ITEMSTATE_DISABLED = 0x10;
// Drawn with the hot background, e.g. the current player.
inline constexpr int ITEMSTATE_HIGHLIGHT = 0x20;

// TextAlign flags: one horizontal and at most one vertical value; neither vertical bit means top.
inline constexpr int TEXTALIGN_LEFT = 0x01;
inline constexpr int TEXTALIGN_CENTER = 0x02;
inline constexpr int TEXTALIGN_RIGHT = 0x04;
inline constexpr int TEXTALIGN_VCENTER = 0x10;
inline constexpr int TEXTALIGN_BOTTOM = 0x20;

// A slider of a CSliderWnd. The window keeps its own copy inside the item.
struct SliderInfo {
    int pos = 0;
    int min = 0;
    int max = 100;
    // Show the value as a tooltip while dragging.
    int tipOnHover = 0;
    // Set while the thumb is held.
    int dragging = 0;
    // Report every change during a drag, not only the final value.
    int notifyWhileDragging = 0;
    int tipWhileDragging = 0;
    int trackHeight = 4;
    int thumbWidth = 8;
    // 1 or 2: an ellipse; anything else: a rectangle.
    int thumbShape = 0;
};

// One drawn element of a CBaseWnd: a button, check or radio box, text, image, slider, or a
// placeholder that positions an embedded control. AddItem copies it; the window owns the copy.
struct SkinItem {
    // In the window's client coordinates; rewritten by the layout.
    SkinRect rect;
    // An embedded control that the layout moves to rect. Not owned.
    QWidget* child = nullptr;
    QString text;
    QString tip;
    float borderWidth = 1.0F;
    // Size as a percentage of the free space when the size is not fixed.
    float widthPercent = 100.0F;
    float heightPercent = 100.0F;
    // Kind-specific data, copied with the item.
    std::variant<std::monostate, SliderInfo> extra;
    // 0: no image.
    int imageId = 0;
    // The item's identity; also its object id in skin lookups.
    int id = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    int padding = 0;
    int style = 0;
    int state = 0;
    int textAlign = TEXTALIGN_LEFT | TEXTALIGN_VCENTER;
    int layout = LAYOUT_RIGHT;

    [[nodiscard]] SliderInfo* Slider() { return std::get_if<SliderInfo>(&extra); }
    [[nodiscard]] const SliderInfo* Slider() const { return std::get_if<SliderInfo>(&extra); }
};

// What a notification reports: the sender's control id and the item (null for a click on no
// item). The item pointer is valid only during the notification.
struct ItemNotifyInfo {
    int sender = 0;
    SkinItem* item = nullptr;
    int reserved = 0;
};

// A parent that receives its skinned panes' notifications synchronously, as a sent message.
class IItemNotifyReceiver {
public:
    IItemNotifyReceiver() = default;
    IItemNotifyReceiver(const IItemNotifyReceiver&) = delete;
    IItemNotifyReceiver& operator=(const IItemNotifyReceiver&) = delete;
    virtual ~IItemNotifyReceiver() = default;

    virtual int OnItemNotify(int code, const ItemNotifyInfo& info) = 0;
};
