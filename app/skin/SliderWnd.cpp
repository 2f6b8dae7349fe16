#include "skin/SliderWnd.h"

#include "skin/SkinControls.h"
#include "skin/XInfoTip.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cstdint>

namespace {

// The track has fixed colours: it shows a position, not the skin's style. The thumb takes the
// scheme's slider colour.
constexpr QRgb TRACK_DONE = 0xFFC8C8C8;
constexpr QRgb TRACK_TODO = 0xFF646464;

} // namespace

CSliderWnd::CSliderWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CSliderWnd::IsSlider(const SkinItem* item)
{
    return item != nullptr && (item->style & ITEMSTYLE_SLIDER) != 0 && item->Slider() != nullptr;
}

int CSliderWnd::ThumbLeft(const SkinItem& item)
{
    const SliderInfo* slider = item.Slider();
    if (slider == nullptr || slider->max == slider->min)
        return item.rect.left;
    const std::int64_t travel = std::int64_t { item.rect.Width() } - slider->thumbWidth;
    const std::int64_t offset = (std::int64_t { slider->pos } - slider->min) * travel
        / (std::int64_t { slider->max } - slider->min);
    return item.rect.left + static_cast<int>(offset);
}

int CSliderWnd::ValueFromX(const SkinItem& item, int x)
{
    const SliderInfo* slider = item.Slider();
    if (slider == nullptr)
        return 0;
    const std::int64_t travel = std::int64_t { item.rect.Width() } - slider->thumbWidth;
    if (travel <= 0 || slider->max == slider->min)
        return slider->min;
    const std::int64_t value = slider->min
        + (std::int64_t { x } - item.rect.left - slider->thumbWidth / 2)
            * (std::int64_t { slider->max } - slider->min) / travel;
    const std::int64_t low = std::min(slider->min, slider->max);
    const std::int64_t high = std::max(slider->min, slider->max);
    return static_cast<int>(std::clamp(value, low, high));
}

bool CSliderWnd::SetSliderPos(int id, int pos)
{
    SkinItem* item = FindItem(id);
    if (!IsSlider(item))
        return false;
    SliderInfo& slider = *item->Slider();
    slider.pos = std::clamp(pos, std::min(slider.min, slider.max), std::max(slider.min, slider.max));
    RepaintItem(item);
    return true;
}

int CSliderWnd::GetSliderPos(int id) const
{
    const SkinItem* item = FindItem(id);
    return IsSlider(item) ? item->Slider()->pos : 0;
}

int CSliderWnd::OnItemAdded(SkinItem* item)
{
    // A slider never starts in the middle of a drag.
    if (IsSlider(item))
        item->Slider()->dragging = 0;
    return 0;
}

int CSliderWnd::OnItemRemoved(SkinItem* /*item*/)
{
    // The slider's record lives inside the item and goes with it.
    return 0;
}

int CSliderWnd::OnDrawItem(QPainter& painter, const QRect& rect, SkinItem* item)
{
    if (!IsSlider(item))
        return 0;
    DrawSlider(painter, rect, item);
    return 1;
}

void CSliderWnd::DrawSlider(QPainter& painter, const QRect& rect, SkinItem* item)
{
    const SliderInfo& slider = *item->Slider();
    const int thumbLeft = ThumbLeft(*item);
    const int thumbCentre = thumbLeft + slider.thumbWidth / 2;
    const int trackTop = rect.top() + (rect.height() - slider.trackHeight) / 2;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(rect.left(), trackTop, thumbCentre - rect.left(), slider.trackHeight),
        QColor::fromRgba(TRACK_DONE));
    painter.fillRect(
        QRect(thumbCentre, trackTop, rect.left() + rect.width() - thumbCentre, slider.trackHeight),
        QColor::fromRgba(TRACK_TODO));
    const QRect thumb(thumbLeft, rect.top(), slider.thumbWidth, rect.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlColour(*Skin(), COLOURENTRY_SLIDER_THUMB));
    if (slider.thumbShape == 1 || slider.thumbShape == 2) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.drawEllipse(thumb);
    } else {
        painter.drawRect(thumb);
    }
    painter.restore();
}

int CSliderWnd::OnItemLButtonDown(SkinItem* item, Qt::MouseButtons /*buttons*/, const QPoint& point)
{
    const QPointer<CSliderWnd> alive(this);
    DefaultItemLButtonDown(item);
    if (!alive || !IsSlider(item))
        return 1;
    SliderInfo& slider = *item->Slider();
    const int thumbLeft = ThumbLeft(*item);
    if (point.x() >= thumbLeft && point.x() < thumbLeft + slider.thumbWidth) {
        slider.dragging = 1;
        return 1;
    }
    const int value = ValueFromX(*item, point.x());
    if (value != slider.pos) {
        slider.pos = value;
        RepaintItem(item);
        SendItemNotify(ITEMNOTIFY_SLIDER_CHANGED, item);
    }
    return 1;
}

int CSliderWnd::OnItemMouseMove(SkinItem* /*item*/, Qt::MouseButtons buttons, const QPoint& point)
{
    if ((buttons & Qt::LeftButton) == 0)
        return 0;
    // The dragged slider follows the mouse wherever it is, also beyond the slider's ends.
    const QPointer<CSliderWnd> alive(this);
    for (int index = 0; alive && index < ItemCount(); ++index) {
        SkinItem* slider = ItemAt(index);
        if (!IsSlider(slider) || slider->Slider()->dragging == 0)
            continue;
        SliderInfo& info = *slider->Slider();
        const int value = ValueFromX(*slider, point.x());
        if (value != info.pos) {
            info.pos = value;
            RepaintItem(slider);
            if (info.notifyWhileDragging != 0)
                SendItemNotify(ITEMNOTIFY_SLIDER_CHANGED, slider);
        }
        if (alive && (info.tipWhileDragging != 0 || info.tipOnHover != 0))
            ShowValueTip(*slider, point);
    }
    return 0;
}

int CSliderWnd::OnItemLButtonUp(SkinItem* item, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
{
    if (!IsSlider(item) || item->Slider()->dragging == 0)
        return 0;
    item->Slider()->dragging = 0;
    RepaintItem(item);
    SendItemNotify(ITEMNOTIFY_SLIDER_CHANGED, item);
    return 0;
}

void CSliderWnd::ShowValueTip(const SkinItem& item, const QPoint& point)
{
    if (CXInfoTip* tip = InfoTip())
        tip->Show(QString::asprintf("%d", item.Slider()->pos), mapToGlobal(point), DRAG_TIP_DELAY_MS);
}
