#include "skin/XInfoTip.h"

#include <QBitmap>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

#include <algorithm>

namespace {

// Distance of the pointer's tip from the balloon's near side, and the width of its base.
constexpr int POINTER_INSET = 14;
constexpr int POINTER_BASE = 14;
// The body's corner ellipse.
constexpr qreal CORNER_RX = 6.0;
constexpr qreal CORNER_RY = 5.0;

} // namespace

CXInfoTip::CXInfoTip(QWidget* parent)
    : QWidget(parent,
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &CXInfoTip::OnShowTimer);
    m_checkTimer.setInterval(CHECK_INTERVAL_MS);
    connect(&m_checkTimer, &QTimer::timeout, this, &CXInfoTip::OnCheckTimer);
}

CXInfoTip::~CXInfoTip() = default;

void CXInfoTip::Show(const QString& text, const QPoint& point, int delayMs)
{
    if (text.isEmpty()) {
        Hide();
        return;
    }
    m_text = text;
    m_point = point;
    m_cursorAtShow = QCursor::pos();
    m_showTimer.start(std::max(delayMs, 0));
}

void CXInfoTip::Hide()
{
    m_showTimer.stop();
    m_checkTimer.stop();
    hide();
}

void CXInfoTip::SetIcon(const QPixmap& icon)
{
    m_icon = icon;
}

void CXInfoTip::OnShowTimer()
{
    m_showTimer.stop();
    const QFontMetrics metrics(font());
    const QRect textBounds
        = metrics.boundingRect(QRect(0, 0, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, m_text);
    const int iconWidth = m_icon.isNull() ? 0 : m_icon.width() + 5;
    const int contentHeight = std::max(textBounds.height(), m_icon.isNull() ? 0 : m_icon.height());
    const int width = textBounds.width() + iconWidth + 2 * MARGIN_X;
    const int bodyHeight = contentHeight + 2 * MARGIN_Y;
    const int height = bodyHeight + POINTER_HEIGHT;

    // The balloon opens below and to the right of the point unless that leaves the screen.
    const QScreen* screen = QGuiApplication::screenAt(m_point);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
    m_pointerAbove = m_point.y() + height <= available.bottom() + 1 || m_point.y() - height < available.top();
    const bool pointerLeft = m_point.x() - POINTER_INSET + width <= available.right() + 1
        || m_point.x() + POINTER_INSET - width < available.left();

    // Near a side of the screen the balloon slides along so that it stays whole; the tip still
    // touches the point.
    int left = pointerLeft ? m_point.x() - POINTER_INSET : m_point.x() - (width - 1 - POINTER_INSET);
    left = std::max(std::min(left, available.right() + 1 - width), available.left());
    const int tipX = std::clamp(m_point.x() - left, 0, width - 1);
    const int tipY = m_pointerAbove ? 0 : height - 1;
    m_body = m_pointerAbove ? QRect(0, POINTER_HEIGHT, width, bodyHeight) : QRect(0, 0, width, bodyHeight);
    // The pointer's base reaches a pixel into the body so that the two shapes join.
    const int baseY = m_pointerAbove ? m_body.top() + 1 : m_body.bottom();
    const bool baseToRight = pointerLeft ? tipX + POINTER_BASE < width : tipX - POINTER_BASE < 0;
    const int baseX = baseToRight ? tipX + POINTER_BASE : tipX - POINTER_BASE;
    QPolygon pointer;
    pointer << QPoint(tipX, tipY) << QPoint(tipX, baseY) << QPoint(baseX, baseY);

    QPainterPath body;
    body.addRoundedRect(QRectF(m_body), CORNER_RX, CORNER_RY);
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF(pointer));
    arrow.closeSubpath();
    m_outline = body.united(arrow).simplified();

    QBitmap mask(width, height);
    mask.fill(Qt::color0);
    {
        QPainter painter(&mask);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::color1);
        painter.drawPath(m_outline);
    }
    setGeometry(m_point.x() - tipX, m_point.y() - tipY, width, height);
    setMask(mask);
    show();
    raise();
    update();
    m_checkTimer.start();
}

void CXInfoTip::OnCheckTimer()
{
    if (QCursor::pos() != m_cursorAtShow)
        Hide();
}

void CXInfoTip::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setClipPath(m_outline);
    painter.fillPath(m_outline, palette().color(QPalette::Base));
    // Two frames along the outline; the mask clips the outer half of each pen.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Midlight), 6));
    painter.drawPath(m_outline);
    painter.setPen(QPen(palette().color(QPalette::Dark), 2));
    painter.drawPath(m_outline);

    int x = m_body.left() + MARGIN_X;
    const int y = m_body.top() + MARGIN_Y;
    if (!m_icon.isNull()) {
        painter.drawPixmap(x, y, m_icon);
        x += m_icon.width() + 5;
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(
        QRect(x, y, m_body.right() - x, m_body.bottom() - y), Qt::AlignLeft | Qt::AlignTop, m_text);
}
