#include "UiTestSupport.h"

#include "persist/TimeOfDay.h"
#include "players/PlayList.h"
#include "players/PlayListEntry.h"
#include "skin/KVListCtrl.h"
#include "skin/PlayListModel.h"
#include "skin/SkinDrawing.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace uitest;

namespace {

class ListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        view = std::make_unique<CKVListCtrl>(&DefaultSkin());
        view->SetControlId(203);
        view->SetPlayList(&list);
        view->resize(600, 300);
        view->show();
    }

    // Three contiguous files (segment 1) and, after a gap, two more (segment 2).
    void AddTwoSegments()
    {
        list.AppendFile("/music/a.mp3", 60'000);
        list.AppendFile("/music/b.mp3", 60'000);
        list.AppendFile("/music/c.mp3", 60'000);
        ASSERT_EQ(list.AppendFileAt("/music/d.mp3", 30'000, "12:00:00"), players::AppendResult::Appended);
        list.AppendFile("/music/e.mp3", 30'000);
    }

    [[nodiscard]] PlayListModel& Model() const { return *view->Model(); }
    [[nodiscard]] QString Cell(int row, int column) const
    {
        return Model().data(Model().IndexOfRow(row, column)).toString();
    }
    [[nodiscard]] bool ViewSelects(int row) const
    {
        return view->selectionModel()->isSelected(Model().IndexOfRow(row, 0));
    }

    players::PlayList list;
    std::unique_ptr<CKVListCtrl> view;
};

TEST_F(ListCtrlTest, ShowsTheFiveColumnsWithTheSegmentColumnHidden)
{
    ASSERT_EQ(Model().columnCount(), 5);
    const char* titles[] = { "File", "Duration", "BeginTime", "EndTime", "Segment" };
    const int widths[] = { 200, 100, 100, 100, 0 };
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(Model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), titles[column]);
        EXPECT_EQ(view->ColumnWidth(column), widths[column]) << column;
    }
    EXPECT_TRUE(view->isColumnHidden(4));

    // The hidden column cannot be widened; the others can.
    view->SetColumnWidth(4, 80);
    view->header()->resizeSection(4, 80);
    EXPECT_EQ(view->ColumnWidth(4), 0);
    EXPECT_TRUE(view->isColumnHidden(4));
    view->SetColumnWidth(1, 120);
    EXPECT_EQ(view->ColumnWidth(1), 120);
}

TEST_F(ListCtrlTest, FollowsTheListsEdits)
{
    AddTwoSegments();
    ASSERT_EQ(Model().rowCount(), 5);
    EXPECT_EQ(Cell(0, players::COLUMN_FILE), "a.mp3");
    EXPECT_EQ(Cell(0, players::COLUMN_DURATION), "00:01:00");
    EXPECT_EQ(Cell(3, players::COLUMN_BEGIN_TIME), "12:00:00");
    EXPECT_EQ(Cell(4, players::COLUMN_SEGMENT), "Segment 2");

    QSignalSpy changed(&Model(), &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(list.SetBeginTime(3, persist::TimeOfDay(13, 0, 0)));
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(Cell(3, players::COLUMN_BEGIN_TIME), "13:00:00");
    EXPECT_EQ(Cell(4, players::COLUMN_BEGIN_TIME), "13:00:31");

    list.SetSelected(1, true);
    list.RemoveSelected();
    ASSERT_EQ(Model().rowCount(), 4);
    EXPECT_EQ(Cell(1, players::COLUMN_FILE), "c.mp3");
    list.ClearAll();
    EXPECT_EQ(Model().rowCount(), 0);
}

TEST_F(ListCtrlTest, SelectionIsTheListsSelectionBothWays)
{
    AddTwoSegments();
    list.SetSelected(2, true);
    EXPECT_TRUE(ViewSelects(2));
    EXPECT_FALSE(ViewSelects(1));

    // Whole rows are selected in the view, and the list follows.
    view->selectionModel()->select(
        Model().IndexOfRow(4, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(list.IsSelected(4));
    EXPECT_TRUE(view->selectionModel()->isSelected(Model().IndexOfRow(4, 3)));
    view->selectionModel()->select(
        Model().IndexOfRow(2, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_FALSE(list.IsSelected(2));

    // Moving a row carries its selection in both.
    list.ClearSelection();
    list.SetSelected(1, true);
    list.MoveSelectedUp();
    EXPECT_TRUE(list.IsSelected(0));
    EXPECT_TRUE(ViewSelects(0));
    EXPECT_FALSE(ViewSelects(1));

    // A click in the view selects that row alone.
    const QRect row3 = view->visualRect(Model().IndexOfRow(3, 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row3.center());
    EXPECT_EQ(list.SelectedRows(), std::vector<int> { 3 });
}

TEST_F(ListCtrlTest, CheckBoxesAreTheListsCheckBoxes)
{
    AddTwoSegments();
    const QModelIndex file = Model().IndexOfRow(1, players::COLUMN_FILE);
    EXPECT_TRUE(Model().flags(file) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(Model().flags(Model().IndexOfRow(1, players::COLUMN_DURATION)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(Model().setData(file, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(list.IsChecked(1));
    list.SetChecked(1, false);
    EXPECT_EQ(Model().data(file, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
}

TEST_F(ListCtrlTest, GroupBySegmentMakesOneGroupPerSegmentText)
{
    AddTwoSegments();
    list.SetSelected(3, true);
    view->GroupBySegment();
    ASSERT_TRUE(view->IsGroupView());
    ASSERT_EQ(Model().rowCount(), 2);
    const QModelIndex first = Model().index(0, 0);
    const QModelIndex second = Model().index(1, 0);
    EXPECT_EQ(Model().data(first).toString(), "Segment 1");
    EXPECT_EQ(Model().data(second).toString(), "Segment 2");
    EXPECT_EQ(Model().rowCount(first), 3);
    EXPECT_EQ(Model().rowCount(second), 2);
    EXPECT_EQ(Model().data(first, PlayListModel::GroupSubtitleRole).toString(), "Subtitle: 3 rows");
    EXPECT_EQ(Model().data(first, PlayListModel::GroupTaskRole).toString(), "Task: Check Group");
    EXPECT_EQ(Model().data(first, PlayListModel::GroupFooterRole).toString(), "Group Footer");
    EXPECT_EQ(Model().data(Model().index(0, 0, second)).toString(), "d.mp3");
    EXPECT_TRUE(view->isExpanded(first));
    EXPECT_TRUE(view->isFirstColumnSpanned(0, QModelIndex()));
    // Groups are not selectable; the selection survives the regrouping.
    EXPECT_FALSE(Model().flags(first) & Qt::ItemIsSelectable);
    EXPECT_TRUE(ViewSelects(3));
    // The columns keep their widths.
    EXPECT_EQ(view->ColumnWidth(0), 200);
    EXPECT_EQ(view->ColumnWidth(4), 0);

    // Rows added while grouped land in their segment's group.
    ASSERT_EQ(list.AppendFileAt("/music/f.mp3", 10'000, "20:00:00"), players::AppendResult::Appended);
    ASSERT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Model().data(Model().index(2, 0)).toString(), "Segment 3");

    // Closing a gap renumbers the segments, and the view regroups by itself.
    ASSERT_TRUE(list.SetBeginTime(3, persist::TimeOfDay(0, 3, 4)));
    ASSERT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(Model().rowCount(Model().index(0, 0)), 5);

    list.ClearAll();
    view->GroupBySegment();
    EXPECT_FALSE(view->IsGroupView());
    EXPECT_EQ(Model().rowCount(), 0);
}

TEST_F(ListCtrlTest, TheGroupTaskLinkChecksTheGroupsRows)
{
    AddTwoSegments();
    view->GroupBySegment();
    const QModelIndex second = Model().index(1, 0);
    const QRect link = view->TaskLinkRect(second);
    ASSERT_FALSE(link.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, link.center());
    EXPECT_FALSE(list.IsChecked(2));
    EXPECT_TRUE(list.IsChecked(3));
    EXPECT_TRUE(list.IsChecked(4));
    EXPECT_TRUE(view->isExpanded(second));

    // Elsewhere on the group row a click folds the group.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(40, link.center().y()));
    EXPECT_FALSE(view->isExpanded(second));
}

TEST_F(ListCtrlTest, HeaderClicksRecordTheSortColumnWithoutReorderingRows)
{
    AddTwoSegments();
    emit view->header()->sectionClicked(1);
    EXPECT_EQ(view->SortColumn(), 1);
    EXPECT_TRUE(view->SortAscending());
    emit view->header()->sectionClicked(1);
    EXPECT_FALSE(view->SortAscending());
    emit view->header()->sectionClicked(2);
    EXPECT_EQ(view->SortColumn(), 2);
    EXPECT_TRUE(view->SortAscending());
    EXPECT_EQ(Cell(0, players::COLUMN_FILE), "a.mp3");
    EXPECT_EQ(view->header()->sortIndicatorSection(), 2);
    view->GroupBySegment();
    EXPECT_EQ(view->header()->sortIndicatorSection(), -1);
}

TEST_F(ListCtrlTest, DoubleAndRightClicksReachTheOwnerWithTheRow)
{
    AddTwoSegments();
    QSignalSpy doubles(view.get(), &CKVListCtrl::RowDoubleClicked);
    QSignalSpy rights(view.get(), &CKVListCtrl::RowRightClicked);
    const QPoint row2 = view->visualRect(Model().IndexOfRow(2, 1)).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row2);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, row2);
    ASSERT_EQ(doubles.count(), 1);
    EXPECT_EQ(doubles[0][0].toInt(), 203);
    EXPECT_EQ(doubles[0][1].toInt(), 2);
    ASSERT_EQ(rights.count(), 1);
    EXPECT_EQ(rights[0][1].toInt(), 2);
}

} // namespace

namespace {

// Pixels in the middle third of the view's list area that are not its background.
int DrawnInTheMiddle(CKVListCtrl& view)
{
    const QColor background = ColourFromArgb(DefaultSkin().GetSkinColour(203, 0, SKINCOLOUR_WND_BKBEGIN));
    const QImage shot = view.viewport()->grab().toImage();
    int count = 0;
    for (int y = shot.height() / 3; y < shot.height() * 2 / 3; ++y) {
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixelColor(x, y) != background ? 1 : 0;
    }
    return count;
}

TEST_F(ListCtrlTest, AnEmptyListShowsItsHintInTheMiddleUntilARowExists)
{
    const QString hint = QStringLiteral("Add files here.");
    EXPECT_EQ(view->ShownEmptyText(), QString()) << "no hint unless one is given";
    EXPECT_EQ(DrawnInTheMiddle(*view), 0);

    view->SetEmptyText(hint);
    EXPECT_EQ(view->ShownEmptyText(), hint);
    EXPECT_GT(DrawnInTheMiddle(*view), 50);

    list.AppendFile("/music/a.mp3", 60'000);
    EXPECT_EQ(view->ShownEmptyText(), QString());
    EXPECT_EQ(DrawnInTheMiddle(*view), 0);
    list.ClearAll();
    EXPECT_EQ(view->ShownEmptyText(), hint);
}

} // namespace
