#pragma once

#include "skin/BaseWnd.h"

// A skinned window whose items may be sliders: items with style ITEMSTYLE_SLIDER and a SliderInfo
// as their extra data. A slider is a track with a thumb; clicking the track moves the value to
// the click, dragging the thumb follows the mouse, and every change of value reaches the parent
// as ITEMNOTIFY_SLIDER_CHANGED (while dragging only when the slider asks for it, and always once
// when the thumb is released).
class CSliderWnd : public CBaseWnd {
    Q_OBJECT

public:
    // Delay of the value tip while dragging.
    static constexpr int DRAG_TIP_DELAY_MS = 10;

    explicit CSliderWnd(CBaseSkin* skin, QWidget* parent = nullptr);

    // Sets the value of the slider item id, clamped to its range, and repaints it. False when there
    // is no such slider.
    bool SetSliderPos(int id, int pos);
    // The value of the slider item id; 0 when there is no such slider.
    [[nodiscard]] int GetSliderPos(int id) const;

    // Geometry of a slider item: where its thumb starts, and which value a point x stands for.
    // A slider without a range (max equal to min) keeps its thumb at the left and its value at min.
    [[nodiscard]] static int ThumbLeft(const SkinItem& item);
    [[nodiscard]] static int ValueFromX(const SkinItem& item, int x);

protected:
    // Draws a slider item: its track, filled up to the thumb's centre, and the thumb.
    virtual void DrawSlider(QPainter& painter, const QRect& rect, SkinItem* item);

    int OnItemAdded(SkinItem* item) override;
    int OnItemRemoved(SkinItem* item) override;
    int OnDrawItem(QPainter& painter, const QRect& rect, SkinItem* item) override;
    int OnItemLButtonDown(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;
    int OnItemLButtonUp(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;
    int OnItemMouseMove(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;

private:
    [[nodiscard]] static bool IsSlider(const SkinItem* item);
    void ShowValueTip(const SkinItem& item, const QPoint& point);
};
