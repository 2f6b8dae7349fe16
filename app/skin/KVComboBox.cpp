#include "skin/KVComboBox.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

// Draws the entries of the drop-down list: the face colour, the highlighted entry in yellow, and
// black text throughout.
class ComboEntryDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool highlighted = (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) != 0;
        painter->save();
        painter->fillRect(option.rect,
            QColor::fromRgba(highlighted ? CKVComboBox::COLOUR_HIGHLIGHT : CKVComboBox::COLOUR_FACE));
        painter->setFont(option.font);
        painter->setPen(Qt::black);
        painter->drawText(option.rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
            index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize text
            = option.fontMetrics.size(Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
        return QSize(text.width() + 8, text.height() + 6);
    }
};

} // namespace

CKVComboBox::CKVComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_delegate(std::make_unique<ComboEntryDelegate>())
{
    setFont(QFont(QStringLiteral("Times New Roman"), 9));
    setItemDelegate(m_delegate.get());
    QPalette colours = view()->palette();
    colours.setColor(QPalette::Base, QColor::fromRgba(COLOUR_FACE));
    colours.setColor(QPalette::Window, QColor::fromRgba(COLOUR_FACE));
    colours.setColor(QPalette::Text, Qt::black);
    view()->setPalette(colours);
    view()->setFont(font());
}

CKVComboBox::~CKVComboBox()
{
    // The view must not keep a delegate that is about to go.
    setItemDelegate(nullptr);
}

void CKVComboBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), QColor::fromRgba(COLOUR_FACE));

    const QRect button(box.right() - BUTTON_WIDTH + 1, box.top() + 1, BUTTON_WIDTH - 1, box.height() - 1);
    painter.fillRect(button, QColor::fromRgba(COLOUR_BUTTON));
    painter.setPen(QColor::fromRgba(COLOUR_FRAME));
    painter.drawLine(button.topLeft() - QPoint(1, 0), button.bottomLeft() - QPoint(1, 0));

    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(button.center().x() + 0.5, button.center().y() + 1.0);
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-4, -2));
    arrow.lineTo(centre + QPointF(4, -2));
    arrow.lineTo(centre + QPointF(0, 2.5));
    arrow.closeSubpath();
    painter.fillPath(arrow, QColor::fromRgba(isEnabled() ? COLOUR_TEXT : COLOUR_FRAME));
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(QColor::fromRgba(hasFocus() ? COLOUR_FOCUS : COLOUR_FRAME));
    painter.drawRect(box);

    if (!isEditable()) {
        painter.setFont(font());
        painter.setPen(QColor::fromRgba(isEnabled() ? COLOUR_TEXT : COLOUR_FRAME));
        const QRect text(box.left() + 5, box.top(), button.left() - box.left() - 8, box.height());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            fontMetrics().elidedText(currentText(), Qt::ElideRight, text.width()));
    }
}

void CKVComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    update();
}

void CKVComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    update();
}
