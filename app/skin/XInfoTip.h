#pragma once

#include <QPainterPath>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

// A balloon tooltip: a rounded body with a pointer whose tip touches the point it was asked to show
// at, in a window shaped to that outline. It appears after a delay, stays on top without taking the
// focus, and hides itself once the cursor has moved away from where it was when the tip was asked
// for. Each skinned window owns one, so at most one balloon per window is visible.
class CXInfoTip : public QWidget {
    Q_OBJECT

public:
    // How often the balloon checks whether the cursor has moved.
    static constexpr int CHECK_INTERVAL_MS = 500;
    // Height of the pointer between the body and the point.
    static constexpr int POINTER_HEIGHT = 25;
    // Space between the text and the body's edge.
    static constexpr int MARGIN_X = 12;
    static constexpr int MARGIN_Y = 10;

    explicit CXInfoTip(QWidget* parent = nullptr);
    CXInfoTip(const CXInfoTip&) = delete;
    CXInfoTip& operator=(const CXInfoTip&) = delete;
    ~CXInfoTip() override;

    // Shows text after delayMs with the pointer's tip at point (global coordinates). An empty text
    // hides the balloon instead.
    void Show(const QString& text, const QPoint& point, int delayMs);
    void Hide();
    // An icon drawn before the text.
    void SetIcon(const QPixmap& icon);

    [[nodiscard]] const QString& Text() const { return m_text; }
    // True while the balloon is on the screen (not merely scheduled).
    [[nodiscard]] bool IsShown() const { return isVisible(); }
    [[nodiscard]] bool IsPending() const { return m_showTimer.isActive(); }
    // True when the pointer is above the body (the balloon opens downwards).
    [[nodiscard]] bool PointerAbove() const { return m_pointerAbove; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnShowTimer();
    void OnCheckTimer();

    QString m_text;
    QPoint m_point;
    QPoint m_cursorAtShow;
    QPixmap m_icon;
    QTimer m_showTimer;
    QTimer m_checkTimer;
    QPainterPath m_outline;
    QRect m_body;
    bool m_pointerAbove = true;
};
