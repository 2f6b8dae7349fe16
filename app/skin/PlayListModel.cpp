#include "skin/PlayListModel.h"

#include "players/PlayList.h"
#include "players/PlayListEntry.h"
#include "skin/QtText.h"

#include <algorithm>
#include <limits>

namespace {

// The internal id of a top-level index; a child's internal id is its group's number.
constexpr quintptr TOP_LEVEL = std::numeric_limits<quintptr>::max();

} // namespace

PlayListModel::PlayListModel(players::PlayList& list, QObject* parent)
    : QAbstractItemModel(parent)
    , m_list(list)
{
    m_list.SetObserver(this);
}

PlayListModel::~PlayListModel()
{
    m_list.SetObserver(nullptr);
}

void PlayListModel::SetGrouped(bool grouped)
{
    beginResetModel();
    m_grouped = grouped;
    RebuildGroups();
    endResetModel();
}

void PlayListModel::RebuildGroups()
{
    m_groups.clear();
    m_places.clear();
    if (!m_grouped)
        return;
    m_places.resize(static_cast<std::size_t>(m_list.RowCount()));
    for (int row = 0; row < m_list.RowCount(); ++row) {
        const QString segment = ToQString(m_list.Row(row).Segment);
        auto group = std::find_if(m_groups.begin(), m_groups.end(),
            [&](const Group& candidate) { return candidate.header == segment; });
        if (group == m_groups.end()) {
            m_groups.push_back(Group { segment, {} });
            group = std::prev(m_groups.end());
        }
        m_places[static_cast<std::size_t>(row)]
            = Place { static_cast<int>(group - m_groups.begin()), static_cast<int>(group->rows.size()) };
        group->rows.push_back(row);
    }
}

QString PlayListModel::GroupHeader(int group) const
{
    if (group < 0 || group >= GroupCount())
        return {};
    return m_groups[static_cast<std::size_t>(group)].header;
}

std::vector<int> PlayListModel::GroupRows(int group) const
{
    if (group < 0 || group >= GroupCount())
        return {};
    return m_groups[static_cast<std::size_t>(group)].rows;
}

int PlayListModel::RowOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    if (index.internalId() == TOP_LEVEL)
        return m_grouped ? -1 : index.row();
    const auto group = static_cast<std::size_t>(index.internalId());
    if (group >= m_groups.size())
        return -1;
    const std::vector<int>& rows = m_groups[group].rows;
    return index.row() < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(index.row())] : -1;
}

int PlayListModel::GroupOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || !m_grouped || index.internalId() != TOP_LEVEL)
        return -1;
    return index.row() < GroupCount() ? index.row() : -1;
}

QModelIndex PlayListModel::IndexOfRow(int row, int column) const
{
    if (!m_list.IsRow(row) || column < 0 || column >= players::COLUMN_COUNT)
        return {};
    if (!m_grouped)
        return createIndex(row, column, TOP_LEVEL);
    if (static_cast<std::size_t>(row) >= m_places.size())
        return {};
    const Place& place = m_places[static_cast<std::size_t>(row)];
    return createIndex(place.child, column, static_cast<quintptr>(place.group));
}

QModelIndex PlayListModel::IndexOfGroup(int group) const
{
    if (!m_grouped || group < 0 || group >= GroupCount())
        return {};
    return createIndex(group, 0, TOP_LEVEL);
}

QModelIndex PlayListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, TOP_LEVEL);
    return createIndex(row, column, static_cast<quintptr>(parent.row()));
}

QModelIndex PlayListModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == TOP_LEVEL)
        return {};
    return createIndex(static_cast<int>(child.internalId()), 0, TOP_LEVEL);
}

int PlayListModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_grouped ? GroupCount() : m_list.RowCount();
    const int group = GroupOf(parent);
    if (group < 0 || parent.column() != 0)
        return 0;
    return static_cast<int>(m_groups[static_cast<std::size_t>(group)].rows.size());
}

int PlayListModel::columnCount(const QModelIndex& /*parent*/) const
{
    return players::COLUMN_COUNT;
}

QVariant PlayListModel::data(const QModelIndex& index, int role) const
{
    if (const int group = GroupOf(index); group >= 0) {
        const Group& record = m_groups[static_cast<std::size_t>(group)];
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? QVariant(record.header) : QVariant();
        case GroupSubtitleRole:
            return QStringLiteral("Subtitle: %1 rows").arg(record.rows.size());
        case GroupTaskRole:
            return QStringLiteral("Task: Check Group");
        case GroupFooterRole:
            return QStringLiteral("Group Footer");
        default:
            return {};
        }
    }
    const int row = RowOf(index);
    if (row < 0)
        return {};
    const players::PlayListEntry& entry = m_list.Row(row);
    switch (role) {
    case Qt::DisplayRole:
        return ToQString(entry.ColumnText(index.column()));
    case Qt::CheckStateRole:
        if (index.column() == players::COLUMN_FILE)
            return entry.Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case PathRole:
        return ToQString(entry.Path);
    case MissingRole:
        return !entry.MissingReason.empty();
    case Qt::ToolTipRole:
        if (entry.MissingReason.empty())
            return {};
        return ToQString(entry.MissingReason + ": " + entry.Path);
    default:
        return {};
    }
}

bool PlayListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const int row = RowOf(index);
    if (row < 0 || role != Qt::CheckStateRole || index.column() != players::COLUMN_FILE)
        return false;
    // The list tells the model (and so the view) about the change.
    m_list.SetChecked(row, value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags PlayListModel::flags(const QModelIndex& index) const
{
    if (GroupOf(index) >= 0)
        return Qt::ItemIsEnabled;
    if (RowOf(index) < 0)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == players::COLUMN_FILE)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant PlayListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= players::COLUMN_COUNT)
        return {};
    if (role == Qt::DisplayRole) {
        const std::string_view title = players::PlayListColumnTitles[static_cast<std::size_t>(section)];
        return ToQString(title);
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

// ---- List notifications -------------------------------------------------------------------------

void PlayListModel::RowsAboutToBeInserted(int first, int last)
{
    if (m_grouped)
        beginResetModel();
    else
        beginInsertRows({}, first, last);
}

void PlayListModel::RowsInserted(int /*first*/, int /*last*/)
{
    if (m_grouped) {
        RebuildGroups();
        endResetModel();
    } else {
        endInsertRows();
    }
}

void PlayListModel::RowsAboutToBeRemoved(int first, int last)
{
    if (m_grouped)
        beginResetModel();
    else
        beginRemoveRows({}, first, last);
}

void PlayListModel::RowsRemoved(int /*first*/, int /*last*/)
{
    if (m_grouped) {
        RebuildGroups();
        endResetModel();
    } else {
        endRemoveRows();
    }
}

void PlayListModel::RowsChanged(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, m_list.RowCount() - 1);
    if (first > last)
        return;
    if (!m_grouped) {
        emit dataChanged(index(first, 0), index(last, players::COLUMN_COUNT - 1));
    } else {
        // The rows may lie in several groups; their Segment texts are regrouped on RegroupNeeded.
        for (int row = first; row <= last; ++row)
            emit dataChanged(IndexOfRow(row, 0), IndexOfRow(row, players::COLUMN_COUNT - 1));
    }
    emit ListRowsChanged(first, last);
}

void PlayListModel::RegroupNeeded()
{
    emit RegroupRequested();
}
