#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

// Moves or resizes a top-level window while the left button is held. The window system does it
// when it can (QWindow::startSystemMove/startSystemResize); where it cannot, for instance without
// a window manager, the window follows the mouse moves that the caller passes on until End.
class WindowDragger {
public:
    // Starts moving window from the press at global. False when nothing was started.
    bool BeginMove(QWidget* window, const QPoint& global);
    // Starts resizing window at the given edges (at least one).
    bool BeginResize(QWidget* window, Qt::Edges edges, const QPoint& global);
    // Follows a mouse move while a manual drag is active; false when none is.
    bool Update(const QPoint& global);
    void End() { m_window = nullptr; }
    // True while the window follows the mouse by hand (not the window system).
    [[nodiscard]] bool IsManual() const { return !m_window.isNull(); }

    // The smallest size a manual resize leaves, beyond the window's own minimum.
    static constexpr int MIN_SIZE = 32;

private:
    QPointer<QWidget> m_window;
    Qt::Edges m_edges;
    QPoint m_pressGlobal;
    QRect m_startGeometry;
};
