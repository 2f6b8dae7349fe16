#pragma once

#include "players/PlayListObserver.h"

#include <QAbstractItemModel>
#include <QString>

#include <vector>

namespace players {
class PlayList;
} // namespace players

// The item model through which a list view shows one player's PlayList. It follows the list's
// change notifications row by row, so the rows, their check boxes and their selection are always
// those of the list; the list stays the owner of all of them.
//
// Flat, every row of the list is a top-level row. Grouped, the top-level rows are the groups, one
// per distinct Segment text in order of first appearance, and each group holds the list rows of
// that text in list order. Rows inserted or removed while grouped rebuild the groups.
//
// The model is the list's observer for as long as it lives. User-interface thread only.
class PlayListModel : public QAbstractItemModel, private players::PlayListObserver {
    Q_OBJECT

public:
    // Data of a group row besides its header (Qt::DisplayRole).
    static constexpr int GroupSubtitleRole = Qt::UserRole + 1;
    static constexpr int GroupTaskRole = Qt::UserRole + 2;
    static constexpr int GroupFooterRole = Qt::UserRole + 3;
    // A list row's full path.
    static constexpr int PathRole = Qt::UserRole + 4;
    // Whether a list row's file is missing; its tip (Qt::ToolTipRole) then says why.
    static constexpr int MissingRole = Qt::UserRole + 5;

    // The list must outlive the model.
    explicit PlayListModel(players::PlayList& list, QObject* parent = nullptr);
    PlayListModel(const PlayListModel&) = delete;
    PlayListModel& operator=(const PlayListModel&) = delete;
    ~PlayListModel() override;

    [[nodiscard]] players::PlayList& List() const { return m_list; }

    // Groups the rows by their Segment texts (rebuilding the groups), or shows them flat.
    void SetGrouped(bool grouped);
    [[nodiscard]] bool IsGrouped() const { return m_grouped; }
    [[nodiscard]] int GroupCount() const { return static_cast<int>(m_groups.size()); }
    [[nodiscard]] QString GroupHeader(int group) const;
    // The list rows of a group, in list order.
    [[nodiscard]] std::vector<int> GroupRows(int group) const;

    // The list row an index shows, or -1 for a group row or an invalid index.
    [[nodiscard]] int RowOf(const QModelIndex& index) const;
    // The group a group row shows, or -1.
    [[nodiscard]] int GroupOf(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex IndexOfRow(int row, int column = 0) const;
    [[nodiscard]] QModelIndex IndexOfGroup(int group) const;

    [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The list renumbered its segments: the view should group its rows again.
    void RegroupRequested();
    // Texts, selection or check boxes of the list rows first..last changed.
    void ListRowsChanged(int first, int last);

private:
    struct Group {
        QString header;
        std::vector<int> rows;
    };
    struct Place {
        int group = -1;
        int child = -1;
    };

    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted(int first, int last) override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved(int first, int last) override;
    void RowsChanged(int first, int last) override;
    void RegroupNeeded() override;

    void RebuildGroups();

    players::PlayList& m_list;
    bool m_grouped = false;
    std::vector<Group> m_groups;
    // Where each list row sits while grouped.
    std::vector<Place> m_places;
};
