#include "skin/MenuEx.h"

#include "skin/BaseSkin.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

CMenuEx::CMenuEx(CBaseSkin* skin, QWidget* parent)
    : QMenu(parent)
    , m_skin(skin)
{
    setFont(SkinBaseFont(*m_skin));
}

CMenuEx::~CMenuEx() = default;

CMenuEx* CMenuEx::AddSubMenu(const QString& title)
{
    m_subMenus.push_back(std::make_unique<CMenuEx>(m_skin, this));
    CMenuEx* menu = m_subMenus.back().get();
    menu->setTitle(title);
    addMenu(menu);
    return menu;
}

QColor CMenuEx::SkinColour(int which) const
{
    return ColourFromArgb(m_skin->GetSkinColour(0, 0, which));
}

void CMenuEx::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(),
        GradientBrush(rect(), SkinColour(SKINCOLOUR_WND_BKBEGIN), SkinColour(SKINCOLOUR_WND_BKEND),
            GRADMODE_HORIZONTAL));
    painter.setPen(SkinColour(SKINCOLOUR_WND_BORDER));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QFontMetrics metrics(font());
    for (QAction* action : actions()) {
        if (!action->isVisible())
            continue;
        const QRect item = actionGeometry(action);
        if (!event->region().intersects(item))
            continue;
        if (action->isSeparator()) {
            painter.setPen(SkinColour(SKINCOLOUR_WND_BORDER));
            painter.drawLine(item.left() + 4, item.center().y(), item.right() - 4, item.center().y());
            continue;
        }
        const bool enabled = action->isEnabled();
        const bool highlighted = action == activeAction();
        if (highlighted)
            painter.fillRect(item, SkinColour(enabled ? HIGHLIGHT_ENTRY : HIGHLIGHT_GREY_ENTRY));
        QColor text = SkinColour(SKINCOLOUR_OBJ_TEXT);
        if (!enabled)
            text = SkinColour(SKINCOLOUR_OBJ_TEXTGRAY);
        else if (highlighted)
            text = SkinColour(SKINCOLOUR_OBJ_TEXTHI);
        painter.setPen(text);

        // The left column, as wide as the item is high, holds the check mark.
        const int column = item.height();
        if (action->isCheckable() && action->isChecked()) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(QPen(text, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QPointF origin(item.left() + column / 2.0, item.center().y() + 0.5);
            QPainterPath tick;
            tick.moveTo(origin + QPointF(-4, 0));
            tick.lineTo(origin + QPointF(-1, 3));
            tick.lineTo(origin + QPointF(4, -3));
            painter.drawPath(tick);
            painter.restore();
        }
        // Text after a tab (a shortcut) is right-aligned in its own column.
        const QString label = action->text().section(QLatin1Char('\t'), 0, 0);
        QString shortcut = action->text().section(QLatin1Char('\t'), 1);
        if (shortcut.isEmpty() && !action->shortcut().isEmpty())
            shortcut = action->shortcut().toString(QKeySequence::NativeText);
        const QRect textRect = item.adjusted(column, 0, -column / 2 - 6, 0);
        painter.setFont(font());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, label);
        if (!shortcut.isEmpty())
            painter.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, shortcut);
        if (action->menu() != nullptr) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing, true);
            const QPointF tip(item.right() - 8, item.center().y() + 0.5);
            QPainterPath arrow;
            arrow.moveTo(tip + QPointF(-4, -4));
            arrow.lineTo(tip);
            arrow.lineTo(tip + QPointF(-4, 4));
            arrow.closeSubpath();
            painter.fillPath(arrow, text);
            painter.restore();
        }
    }
}
