#pragma once

#include "skin/KVSkin.h"
#include "skin/SkinItem.h"
#include "support_qt/QtTestApplication.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

#include <vector>

namespace uitest {

using qttest::App;
using qttest::DefaultSkin;

// A mouse event delivered straight to widget at its local point, with the given buttons held
// after the event.
void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& point, Qt::MouseButton button,
    Qt::MouseButtons buttons);
void Press(QWidget* widget, const QPoint& point);
void Release(QWidget* widget, const QPoint& point);
void Click(QWidget* widget, const QPoint& point);
void DoubleClick(QWidget* widget, const QPoint& point);
// A move with no button, or with the left button held.
void Move(QWidget* widget, const QPoint& point, bool leftHeld = false);
void Leave(QWidget* widget);

// The centre of an item's rectangle.
QPoint Centre(const SkinItem& item);

// Every notification a skinned window sent, in order.
struct Notification {
    int code = 0;
    int sender = 0;
    int itemId = -1; // -1: no item
};

class NotificationLog {
public:
    // Records the notifications of window (a CBaseWnd).
    void Watch(QObject* window);
    std::vector<Notification> entries;
    [[nodiscard]] int Count(int code) const;
};

// Builds an item; the remaining fields keep their defaults.
SkinItem MakeItem(int id, int layout, int width, int height, float widthPercent = 100.0F);

} // namespace uitest
