#include "skin/KVComboBox.h"

#include "skin/ElideText.h"
#include "skin/SkinControls.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Room left and right of an entry's text in the drop-down list.
constexpr int ENTRY_MARGIN = 4;

// Draws the entries of the drop-down list in the field colours, the highlighted one in the
// highlight colours.
class ComboEntryDelegate final : public QStyledItemDelegate {
public:
    explicit ComboEntryDelegate(const CBaseSkin& skin)
        : m_skin(skin)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool highlighted = (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) != 0;
        painter->save();
        painter->fillRect(option.rect,
            ControlColour(m_skin, highlighted ? COLOURENTRY_FIELD_HIGHLIGHT : COLOURENTRY_FIELD_FACE));
        painter->setFont(option.font);
        painter->setPen(
            ControlColour(m_skin, highlighted ? COLOURENTRY_FIELD_HIGHLIGHT_TEXT : COLOURENTRY_FIELD_TEXT));
        painter->drawText(option.rect.adjusted(ENTRY_MARGIN, 0, -ENTRY_MARGIN, 0),
            Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize text
            = option.fontMetrics.size(Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
        return QSize(text.width() + 2 * ENTRY_MARGIN, text.height() + 6);
    }

private:
    const CBaseSkin& m_skin;
};

} // namespace

CKVComboBox::CKVComboBox(CBaseSkin* skin, QWidget* parent)
    : QComboBox(parent)
    , m_skin(skin)
    , m_delegate(std::make_unique<ComboEntryDelegate>(*skin))
{
    setFont(SkinBaseFont(*m_skin));
    setItemDelegate(m_delegate.get());
    view()->setPalette(ControlPalette(*m_skin, view()->palette()));
    view()->setFont(font());
    connect(this, &QComboBox::currentTextChanged, this, [this] { UpdateDisplayedText(); });
}

CKVComboBox::~CKVComboBox()
{
    // The view must not keep a delegate that is about to go.
    setItemDelegate(nullptr);
}

QRect CKVComboBox::TextRect() const
{
    const QRect box = rect().adjusted(0, 0, -1, -1);
    return { box.left() + 5, box.top(), std::max(box.width() - BUTTON_WIDTH - 7, 0), box.height() };
}

void CKVComboBox::UpdateDisplayedText()
{
    const QString text = currentText();
    m_displayed = ElideKeepingEnd(text, fontMetrics(), TextRect().width());
    setToolTip(m_displayed == text ? QString() : text);
    update();
}

void CKVComboBox::showPopup()
{
    QComboBox::showPopup();
    // The list grows to its longest entry: the end of a name is often what tells two apart.
    QWidget* popup = view()->window();
    if (popup == this->window())
        return;
    const QFontMetrics metrics(view()->font());
    int widest = 0;
    for (int index = 0; index < count(); ++index)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(index)) + 2 * ENTRY_MARGIN);
    const int needed = widest + popup->width() - view()->viewport()->width();
    if (needed <= popup->width())
        return;
    QRect geometry = popup->geometry();
    geometry.setWidth(needed);
    if (const QScreen* shown = screen()) {
        const QRect available = shown->availableGeometry();
        geometry.setWidth(std::min(needed, available.width()));
        if (geometry.right() > available.right())
            geometry.moveRight(available.right());
        if (geometry.left() < available.left())
            geometry.moveLeft(available.left());
    }
    popup->setGeometry(geometry);
}

void CKVComboBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), ControlColour(*m_skin, COLOURENTRY_FIELD_FACE));

    const QColor frame = ControlColour(*m_skin, COLOURENTRY_FIELD_FRAME);
    const QColor text
        = isEnabled() ? ControlColour(*m_skin, COLOURENTRY_FIELD_TEXT) : ControlGreyText(*m_skin);
    const QRect button(box.right() - BUTTON_WIDTH + 1, box.top() + 1, BUTTON_WIDTH - 1, box.height() - 1);
    painter.fillRect(button, ControlColour(*m_skin, COLOURENTRY_FIELD_BUTTON));
    painter.setPen(frame);
    painter.drawLine(button.topLeft() - QPoint(1, 0), button.bottomLeft() - QPoint(1, 0));

    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(button.center().x() + 0.5, button.center().y() + 1.0);
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-4, -2));
    arrow.lineTo(centre + QPointF(4, -2));
    arrow.lineTo(centre + QPointF(0, 2.5));
    arrow.closeSubpath();
    painter.fillPath(arrow, text);
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(hasFocus() ? ControlColour(*m_skin, COLOURENTRY_FIELD_FOCUS) : frame);
    painter.drawRect(box);

    if (!isEditable()) {
        painter.setFont(font());
        painter.setPen(text);
        painter.drawText(TextRect(), Qt::AlignLeft | Qt::AlignVCenter, m_displayed);
    }
}

void CKVComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    UpdateDisplayedText();
}

void CKVComboBox::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateDisplayedText();
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
