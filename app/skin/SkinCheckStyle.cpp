#include "skin/SkinCheckStyle.h"

#include "skin/BaseSkin.h"
#include "skin/QtSkinImage.h"
#include "skin/SkinItem.h"

#include <QPainter>
#include <QStyleOption>

#include <algorithm>

SkinCheckStyle::SkinCheckStyle(const CBaseSkin& skin)
    : m_skin(skin)
{
}

void SkinCheckStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == PE_IndicatorItemViewItemCheck) {
        const int state = (option->state & State_On) != 0 ? ITEMSTATE_CHECKED : 0;
        if (const QImage* box = QtSkinImage::From(m_skin.GetImage(m_skin.CheckBoxImageId(state)))) {
            const int side = std::min({ option->rect.width(), option->rect.height(), box->width() });
            const QRect target(option->rect.left() + (option->rect.width() - side) / 2,
                option->rect.top() + (option->rect.height() - side) / 2, side, side);
            painter->save();
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(target, *box);
            painter->restore();
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
