#pragma once

#include <QTreeView>

#include <memory>
#include <set>

class CBaseSkin;
namespace players {
class PlayList;
} // namespace players

class PlayListModel;
class QProxyStyle;
class QStyledItemDelegate;

// A player's play list as a report list view: the columns "File", "Duration", "BeginTime",
// "EndTime" and the hidden "Segment", a check box per row, grid lines and whole-row selection that
// is the list's own selection (PlayList's Selected flags) in both directions. GroupBySegment shows
// the rows in one collapsible group per segment, with a task link that checks the group's rows.
//
// The view records header clicks as its sort column and order but never reorders the rows: the
// list's order is its play order. Its colours come from the skin, looked up under its control id.
// User-interface thread only.
class CKVListCtrl : public QTreeView {
    Q_OBJECT

public:
    // The skin is not owned and must outlive the view.
    explicit CKVListCtrl(CBaseSkin* skin, QWidget* parent = nullptr);
    CKVListCtrl(const CKVListCtrl&) = delete;
    CKVListCtrl& operator=(const CKVListCtrl&) = delete;
    ~CKVListCtrl() override;

    // The control id (200 + player index); also the window id of its skin lookups.
    void SetControlId(int id);
    [[nodiscard]] int ControlId() const { return m_controlId; }

    // Shows list (null: nothing). The list must outlive the view or be replaced before it goes.
    void SetPlayList(players::PlayList* list);
    [[nodiscard]] PlayListModel* Model() const { return m_model.get(); }

    // Regroups the rows by their Segment texts; a list without rows is shown flat.
    void GroupBySegment();
    [[nodiscard]] bool IsGroupView() const;
    // Checks every row of the group.
    void CheckGroup(int group);

    // Sets a column's width, except that a column whose width is 0 stays hidden.
    void SetColumnWidth(int column, int width);
    [[nodiscard]] int ColumnWidth(int column) const;

    [[nodiscard]] int SortColumn() const { return m_sortColumn; }
    [[nodiscard]] bool SortAscending() const { return m_sortAscending; }

    // Where a group row shows its task link, in viewport coordinates; empty for other rows.
    [[nodiscard]] QRect TaskLinkRect(const QModelIndex& groupIndex) const;

    // A hint shown in the middle of the view while the list has no rows (none by default).
    void SetEmptyText(const QString& text);
    // The hint as the view shows it now: empty while the list has rows.
    [[nodiscard]] QString ShownEmptyText() const;

signals:
    // A double click (row -1 when not on a row) and a right click, for the main window.
    void RowDoubleClicked(int controlId, int row);
    void RowRightClicked(int controlId, int row, const QPoint& globalPos);

protected:
    void drawRow(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ApplySkin();
    void ApplyColumns();
    void ApplyGroups();
    void SyncSelectionFromList(int first, int last);
    void OnSelectionChanged();
    void OnHeaderClicked(int section);
    void DrawGroupRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    [[nodiscard]] QColor SkinColour(int which) const;

    std::unique_ptr<PlayListModel> m_model;
    // Draws the rows' check boxes with the skin's pictures.
    std::unique_ptr<QProxyStyle> m_style;
    std::unique_ptr<QStyledItemDelegate> m_delegate;
    CBaseSkin* m_skin = nullptr;
    int m_controlId = 0;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    // Set while the view and the list align their selections, so neither echoes the other.
    bool m_syncing = false;
    // Groups the user collapsed, by header text, kept across regrouping.
    std::set<QString> m_collapsed;
    QString m_emptyText;
};
