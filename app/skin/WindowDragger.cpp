#include "skin/WindowDragger.h"

#include <QWindow>

#include <algorithm>

bool WindowDragger::BeginMove(QWidget* window, const QPoint& global)
{
    m_window = nullptr;
    if (window == nullptr)
        return false;
    if (QWindow* handle = window->windowHandle(); handle != nullptr && handle->startSystemMove())
        return true;
    m_window = window;
    m_edges = {};
    m_pressGlobal = global;
    m_startGeometry = window->geometry();
    return true;
}

bool WindowDragger::BeginResize(QWidget* window, Qt::Edges edges, const QPoint& global)
{
    m_window = nullptr;
    if (window == nullptr || edges == Qt::Edges {})
        return false;
    if (QWindow* handle = window->windowHandle(); handle != nullptr && handle->startSystemResize(edges))
        return true;
    m_window = window;
    m_edges = edges;
    m_pressGlobal = global;
    m_startGeometry = window->geometry();
    return true;
}

bool WindowDragger::Update(const QPoint& global)
{
    if (m_window.isNull())
        return false;
    const QPoint delta = global - m_pressGlobal;
    if (m_edges == Qt::Edges {}) {
        m_window->move(m_startGeometry.topLeft() + delta);
        return true;
    }
    const int minWidth = std::max(m_window->minimumWidth(), MIN_SIZE);
    const int minHeight = std::max(m_window->minimumHeight(), MIN_SIZE);
    QRect geometry = m_startGeometry;
    if (m_edges & Qt::LeftEdge)
        geometry.setLeft(std::min(geometry.left() + delta.x(), geometry.right() + 1 - minWidth));
    if (m_edges & Qt::RightEdge)
        geometry.setRight(std::max(geometry.right() + delta.x(), geometry.left() + minWidth - 1));
    if (m_edges & Qt::TopEdge)
        geometry.setTop(std::min(geometry.top() + delta.y(), geometry.bottom() + 1 - minHeight));
    if (m_edges & Qt::BottomEdge)
        geometry.setBottom(std::max(geometry.bottom() + delta.y(), geometry.top() + minHeight - 1));
    m_window->setGeometry(geometry);
    return true;
}
