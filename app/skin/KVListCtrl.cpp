#include "skin/KVListCtrl.h"

#include "players/PlayList.h"
#include "players/PlayListEntry.h"
#include "skin/BaseSkin.h"
#include "skin/PlayListModel.h"
#include "skin/QtSkinImage.h"
#include "skin/SkinCheckStyle.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinItem.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>

namespace {

// Left edge of a group's header text, after its expand arrow.
constexpr int GROUP_TEXT_LEFT = 22;
constexpr int GROUP_GAP = 14;

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// Switches a widget's painting off for as long as it lives and repaints it afterwards.
class NoRedraw {
public:
    explicit NoRedraw(QWidget& widget)
        : m_widget(widget)
        , m_wasEnabled(widget.updatesEnabled())
    {
        m_widget.setUpdatesEnabled(false);
    }
    NoRedraw(const NoRedraw&) = delete;
    NoRedraw& operator=(const NoRedraw&) = delete;
    ~NoRedraw()
    {
        m_widget.setUpdatesEnabled(m_wasEnabled);
        m_widget.update();
    }

private:
    QWidget& m_widget;
    bool m_wasEnabled;
};

// Rows a little taller than the text, as the list view of the platform draws them.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 6));
        return size;
    }

protected:
    // A row whose file is missing is written in the skin's grey, slanted.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(PlayListModel::MissingRole).toBool())
            return;
        const QColor grey = option->palette.color(QPalette::Disabled, QPalette::Text);
        option->palette.setColor(QPalette::Text, grey);
        option->palette.setColor(QPalette::HighlightedText, grey);
        option->font.setItalic(true);
    }
};

} // namespace

CKVListCtrl::CKVListCtrl(CBaseSkin* skin, QWidget* parent)
    : QTreeView(parent)
    , m_style(std::make_unique<SkinCheckStyle>(*skin))
    , m_delegate(std::make_unique<RowDelegate>())
    , m_skin(skin)
{
    setStyle(m_style.get());
    setItemDelegate(m_delegate.get());
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header(), &QHeaderView::sectionClicked, this, &CKVListCtrl::OnHeaderClicked);
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (m_model)
            m_collapsed.insert(m_model->GroupHeader(m_model->GroupOf(index)));
    });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_model)
            m_collapsed.erase(m_model->GroupHeader(m_model->GroupOf(index)));
    });
    ApplySkin();
}

CKVListCtrl::~CKVListCtrl()
{
    // The view lets go of its model, delegate and style before they go.
    setModel(nullptr);
    setItemDelegate(nullptr);
    setStyle(nullptr);
}

void CKVListCtrl::SetControlId(int id)
{
    m_controlId = id;
    ApplySkin();
}

QColor CKVListCtrl::SkinColour(int which) const
{
    return ColourFromArgb(m_skin->GetSkinColour(m_controlId, 0, which));
}

void CKVListCtrl::ApplySkin()
{
    QPalette colours = palette();
    const QColor base = SkinColour(SKINCOLOUR_WND_BKBEGIN);
    const QColor face = SkinColour(SKINCOLOUR_OBJ_BKBEGIN);
    const QColor text = SkinColour(SKINCOLOUR_OBJ_TEXT);
    const QColor border = SkinColour(SKINCOLOUR_OBJ_BORDER);
    // The selection looks the same whether or not the list has the focus.
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        colours.setColor(group, QPalette::Base, base);
        colours.setColor(group, QPalette::AlternateBase, base);
        colours.setColor(group, QPalette::Window, base);
        colours.setColor(group, QPalette::Text, text);
        colours.setColor(group, QPalette::WindowText, text);
        colours.setColor(group, QPalette::Button, face);
        colours.setColor(group, QPalette::ButtonText, text);
        colours.setColor(group, QPalette::Highlight, SkinColour(SKINCOLOUR_OBJ_BKHI));
        colours.setColor(group, QPalette::HighlightedText, SkinColour(SKINCOLOUR_OBJ_TEXTHI));
        colours.setColor(group, QPalette::Light, face);
        colours.setColor(group, QPalette::Midlight, face);
        colours.setColor(group, QPalette::Mid, border);
        colours.setColor(group, QPalette::Dark, border);
        colours.setColor(group, QPalette::Shadow, border);
    }
    colours.setColor(QPalette::Disabled, QPalette::Text, SkinColour(SKINCOLOUR_OBJ_TEXTGRAY));
    setPalette(colours);
    header()->setPalette(colours);
    const QFont font = FontFromSkin(m_skin->GetSkinFont(m_controlId, 0), SkinBaseFont(*m_skin));
    setFont(font);
    header()->setFont(font);
}

void CKVListCtrl::SetPlayList(players::PlayList* list)
{
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(nullptr);
    if (oldSelection != nullptr)
        oldSelection->deleteLater();
    m_model.reset();
    m_collapsed.clear();
    if (list == nullptr)
        return;

    m_model = std::make_unique<PlayListModel>(*list);
    setModel(m_model.get());
    ApplyColumns();
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CKVListCtrl::OnSelectionChanged);
    connect(m_model.get(), &PlayListModel::ListRowsChanged, this, &CKVListCtrl::SyncSelectionFromList);
    // Renumbered segments regroup a grouped view at once; a flat one waits for GroupBySegment.
    connect(m_model.get(), &PlayListModel::RegroupRequested, this, [this] {
        if (IsGroupView())
            GroupBySegment();
    });
    connect(m_model.get(), &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex& parent, int first, int last) {
            if (!parent.isValid() && !m_model->IsGrouped())
                SyncSelectionFromList(first, last);
        });
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, [this] {
        ApplyGroups();
        SyncSelectionFromList(0, m_model->List().RowCount() - 1);
    });
    SyncSelectionFromList(0, list->RowCount() - 1);
}

void CKVListCtrl::ApplyColumns()
{
    for (int column = 0; column < players::COLUMN_COUNT; ++column) {
        const int width = players::PlayListColumnWidths[static_cast<std::size_t>(column)];
        // A column created without width is hidden: the user cannot drag it open.
        setColumnHidden(column, width == 0);
        if (width > 0)
            setColumnWidth(column, width);
    }
}

void CKVListCtrl::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= header()->count() || isColumnHidden(column) || ColumnWidth(column) == 0)
        return;
    setColumnWidth(column, width);
}

int CKVListCtrl::ColumnWidth(int column) const
{
    return isColumnHidden(column) ? 0 : columnWidth(column);
}

bool CKVListCtrl::IsGroupView() const
{
    return m_model && m_model->IsGrouped();
}

void CKVListCtrl::GroupBySegment()
{
    if (!m_model)
        return;
    const WaitCursor wait;
    const NoRedraw noRedraw(*this);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_collapsed.clear();
    // Group view only for a list with rows; the model's reset applies groups and selection.
    m_model->SetGrouped(!m_model->List().Empty());
}

void CKVListCtrl::ApplyGroups()
{
    if (!m_model || !m_model->IsGrouped())
        return;
    for (int group = 0; group < m_model->GroupCount(); ++group) {
        setFirstColumnSpanned(group, QModelIndex(), true);
        setExpanded(m_model->IndexOfGroup(group), m_collapsed.count(m_model->GroupHeader(group)) == 0);
    }
}

void CKVListCtrl::CheckGroup(int group)
{
    if (!m_model)
        return;
    for (const int row : m_model->GroupRows(group))
        m_model->List().SetChecked(row, true);
}

void CKVListCtrl::SyncSelectionFromList(int first, int last)
{
    if (!m_model || m_syncing || selectionModel() == nullptr)
        return;
    const players::PlayList& list = m_model->List();
    QItemSelection selected;
    QItemSelection deselected;
    for (int row = std::max(first, 0); row <= last && row < list.RowCount(); ++row) {
        const QModelIndex left = m_model->IndexOfRow(row, 0);
        const QModelIndex right = m_model->IndexOfRow(row, players::COLUMN_COUNT - 1);
        (list.IsSelected(row) ? selected : deselected).select(left, right);
    }
    m_syncing = true;
    selectionModel()->select(deselected, QItemSelectionModel::Deselect);
    selectionModel()->select(selected, QItemSelectionModel::Select);
    m_syncing = false;
}

void CKVListCtrl::OnSelectionChanged()
{
    if (!m_model || m_syncing)
        return;
    m_syncing = true;
    players::PlayList& list = m_model->List();
    for (int row = 0; row < list.RowCount(); ++row) {
        const QModelIndex index = m_model->IndexOfRow(row, 0);
        list.SetSelected(row, selectionModel()->isSelected(index));
    }
    m_syncing = false;
}

void CKVListCtrl::OnHeaderClicked(int section)
{
    m_sortAscending = section == m_sortColumn ? !m_sortAscending : true;
    m_sortColumn = section;
    header()->setSortIndicator(section, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// ---- Painting -----------------------------------------------------------------------------------

void CKVListCtrl::SetEmptyText(const QString& text)
{
    m_emptyText = text;
    viewport()->update();
}

QString CKVListCtrl::ShownEmptyText() const
{
    return m_model && m_model->List().Empty() ? m_emptyText : QString();
}

void CKVListCtrl::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    const QString hint = ShownEmptyText();
    if (hint.isEmpty())
        return;
    // Below the header, in the middle of the empty list, wrapped to at most two thirds of its width.
    const QRect area = viewport()->rect();
    const int width = std::max(area.width() * 2 / 3, std::min(area.width() - 16, 240));
    const QRect text(area.left() + (area.width() - width) / 2, area.top(), width, area.height());
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(SkinColour(SKINCOLOUR_OBJ_TEXTGRAY));
    painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, hint);
}

QRect CKVListCtrl::TaskLinkRect(const QModelIndex& groupIndex) const
{
    if (!m_model || m_model->GroupOf(groupIndex) < 0)
        return {};
    const QRect row = visualRect(groupIndex);
    if (!row.isValid())
        return {};
    QFont linkFont = font();
    linkFont.setUnderline(true);
    const QFontMetrics metrics(linkFont);
    const QString task = m_model->data(groupIndex, PlayListModel::GroupTaskRole).toString();
    const int right = std::min(viewport()->width(), header()->length()) - 8;
    const int width = metrics.horizontalAdvance(task);
    return QRect(right - width, row.top(), width, row.height());
}

void CKVListCtrl::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (m_model && m_model->GroupOf(index) >= 0) {
        DrawGroupRow(painter, option, index);
        return;
    }
    QTreeView::drawRow(painter, option, index);
    // Grid lines: a line under the row and one after each visible column.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(SkinColour(SKINCOLOUR_OBJ_BORDER));
    const QRect rect = option.rect;
    const int right = std::min(rect.right(), header()->length() - 1 - header()->offset());
    painter->drawLine(rect.left(), rect.bottom(), right, rect.bottom());
    for (int column = 0; column < header()->count(); ++column) {
        if (isColumnHidden(column))
            continue;
        const int x = columnViewportPosition(column) + columnWidth(column) - 1;
        painter->drawLine(x, rect.top(), x, rect.bottom());
    }
    painter->restore();
}

void CKVListCtrl::DrawGroupRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect rect = option.rect;
    painter->save();
    painter->fillRect(rect, SkinColour(SKINCOLOUR_OBJ_BKBEGIN));
    painter->setPen(SkinColour(SKINCOLOUR_OBJ_BORDER));
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());

    // The expand arrow: pointing down while the group is open, right while it is collapsed.
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(rect.left() + 11, rect.center().y() + 0.5);
    QPainterPath arrow;
    if (isExpanded(index)) {
        arrow.moveTo(centre + QPointF(-4, -2));
        arrow.lineTo(centre + QPointF(4, -2));
        arrow.lineTo(centre + QPointF(0, 3));
    } else {
        arrow.moveTo(centre + QPointF(-2, -4));
        arrow.lineTo(centre + QPointF(3, 0));
        arrow.lineTo(centre + QPointF(-2, 4));
    }
    arrow.closeSubpath();
    painter->fillPath(arrow, SkinColour(SKINCOLOUR_OBJ_TEXT));

    QFont headerFont = font();
    headerFont.setBold(true);
    painter->setFont(headerFont);
    painter->setPen(SkinColour(SKINCOLOUR_OBJ_TEXTHI));
    const QString header = m_model->data(index, Qt::DisplayRole).toString();
    QRect textRect = rect.adjusted(GROUP_TEXT_LEFT, 0, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, header);
    textRect.setLeft(textRect.left() + QFontMetrics(headerFont).horizontalAdvance(header) + GROUP_GAP);

    painter->setFont(font());
    painter->setPen(SkinColour(SKINCOLOUR_OBJ_TEXTGRAY));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        m_model->data(index, PlayListModel::GroupSubtitleRole).toString());

    const QRect link = TaskLinkRect(index);
    if (link.left() > textRect.left()
            + QFontMetrics(font()).horizontalAdvance(
                m_model->data(index, PlayListModel::GroupSubtitleRole).toString())
            + GROUP_GAP) {
        QFont linkFont = font();
        linkFont.setUnderline(true);
        painter->setFont(linkFont);
        painter->setPen(ColourFromArgb(m_skin->GetSkinColour(m_controlId, 0, SKINCOLOUR_ENTRY_FIRST)));
        painter->drawText(link, Qt::AlignLeft | Qt::AlignVCenter,
            m_model->data(index, PlayListModel::GroupTaskRole).toString());
    }
    painter->restore();
}

// ---- Mouse --------------------------------------------------------------------------------------

void CKVListCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (m_model && m_model->GroupOf(index) >= 0) {
        if (event->button() == Qt::LeftButton) {
            if (TaskLinkRect(index).contains(point))
                CheckGroup(m_model->GroupOf(index));
            else
                setExpanded(index, !isExpanded(index));
        } else if (event->button() == Qt::RightButton) {
            emit RowRightClicked(m_controlId, -1, event->globalPosition().toPoint());
        }
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit RowRightClicked(
            m_controlId, m_model ? m_model->RowOf(index) : -1, event->globalPosition().toPoint());
}

void CKVListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_model && m_model->GroupOf(index) >= 0) {
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit RowDoubleClicked(m_controlId, m_model ? m_model->RowOf(index) : -1);
}
