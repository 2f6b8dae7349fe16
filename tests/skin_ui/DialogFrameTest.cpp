#include "UiTestSupport.h"

#include "skin/BaseDialog.h"
#include "skin/BaseWnd.h"
#include "skin/CaptionWnd.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct PaneSpec {
    int id;
    int anchor;
    int height;
};

// A dialog with the main window's panes below its caption: tool bar, status bar, player panel,
// list edit bar, play control bar, and the file list that takes the rest.
class PanedDialog : public CBaseDialog {
public:
    PanedDialog(int captionFlags, std::vector<PaneSpec> specs)
        : CBaseDialog(0, &DefaultSkin())
        , m_specs(std::move(specs))
    {
        SetCaptionFlags(captionFlags);
    }

    std::vector<CBaseWnd*> panes;
    int closeCommands = 0;

protected:
    bool OnInitDialog() override
    {
        if (!CBaseDialog::OnInitDialog())
            return false;
        for (const PaneSpec& spec : m_specs) {
            m_owned.push_back(std::make_unique<CBaseWnd>(Skin()));
            CBaseWnd* pane = m_owned.back().get();
            if (!pane->Create(QStringLiteral("Pane%1").arg(spec.id), 0, this, spec.id))
                return false;
            PaneRecord record;
            record.pane = pane;
            record.id = spec.id;
            record.anchor = spec.anchor;
            record.rect = { 0, 0, 0, spec.height };
            record.options = PANEOPT_INSET;
            AddPane(record);
            panes.push_back(pane);
        }
        return true;
    }

    void OnCloseCommand() override
    {
        ++closeCommands;
        CBaseDialog::OnCloseCommand();
    }

private:
    std::vector<PaneSpec> m_specs;
    std::vector<std::unique_ptr<CBaseWnd>> m_owned;
};

const std::vector<PaneSpec> MainWindowPanes {
    { 103, PANE_TOP | PANE_LEFT | PANE_FIXED_HEIGHT, 40 },
    { 104, PANE_BOTTOM | PANE_LEFT | PANE_FIXED_HEIGHT, 26 },
    { 105, PANE_TOP | PANE_LEFT | PANE_FIXED_HEIGHT, 52 },
    { 106, PANE_BOTTOM | PANE_LEFT | PANE_FIXED_HEIGHT, 40 },
    { 107, PANE_BOTTOM | PANE_LEFT | PANE_FIXED_HEIGHT, 30 },
    { 108, PANE_TOP | PANE_LEFT, 0 },
};

// A pane's place before the insets of 1 pixel: its slot in the dialog.
QRect Slot(const QWidget* pane)
{
    return pane->geometry().adjusted(-1, -1, 1, 1);
}

QPoint ItemCentreIn(CBaseWnd* window, int id)
{
    return Centre(*window->FindItem(id));
}

TEST(DialogFrame, FixedHeightPanesKeepTheirHeightAndTheListTakesTheRest)
{
    App();
    PanedDialog dialog(0x2F, MainWindowPanes);
    dialog.resize(700, 600);
    dialog.show();
    for (const QSize size : { QSize(700, 600), QSize(420, 380), QSize(1000, 760) }) {
        SCOPED_TRACE(size.width());
        dialog.resize(size);
        const int width = size.width();
        const int height = size.height();
        EXPECT_EQ(Slot(dialog.Caption()), QRect(0, 0, width, 30));
        EXPECT_EQ(Slot(dialog.panes[0]), QRect(0, 30, width, 40));
        EXPECT_EQ(Slot(dialog.panes[2]), QRect(0, 70, width, 52));
        EXPECT_EQ(Slot(dialog.panes[1]), QRect(0, height - 26, width, 26));
        EXPECT_EQ(Slot(dialog.panes[3]), QRect(0, height - 66, width, 40));
        EXPECT_EQ(Slot(dialog.panes[4]), QRect(0, height - 96, width, 30));
        EXPECT_EQ(Slot(dialog.panes[5]), QRect(0, 122, width, height - 96 - 122));
    }
}

TEST(DialogFrame, WithoutCaptionFlagsThePanesStartAtTheTop)
{
    App();
    PanedDialog dialog(0, { { 110, PANE_TOP | PANE_LEFT, 0 } });
    dialog.resize(300, 200);
    dialog.show();
    EXPECT_EQ(dialog.Caption(), nullptr);
    EXPECT_EQ(dialog.panes[0]->geometry(), QRect(1, 1, 298, 198));
}

TEST(DialogFrame, CaptionButtonsLineUpFromTheRightEdgeAndTheTitleFromTheLeft)
{
    App();
    PanedDialog dialog(0x2F, {});
    dialog.SetCaptionText(QStringLiteral("Tessaly"));
    dialog.resize(500, 300);
    dialog.show();
    CCaptionWnd* caption = dialog.Caption();
    ASSERT_NE(caption, nullptr);
    const int right = caption->width();
    const SkinRect& close = caption->FindItem(CCaptionWnd::ITEM_CLOSE)->rect;
    const SkinRect& maximize = caption->FindItem(CCaptionWnd::ITEM_MAXIMIZE)->rect;
    const SkinRect& minimize = caption->FindItem(CCaptionWnd::ITEM_MINIMIZE)->rect;
    const SkinRect& menu = caption->FindItem(CCaptionWnd::ITEM_MAINMENU)->rect;
    EXPECT_EQ(close.right, right - 2);
    EXPECT_EQ(maximize.right, close.left);
    EXPECT_EQ(minimize.right, maximize.left);
    EXPECT_EQ(menu.right, minimize.left);
    for (const SkinRect* button : { &close, &maximize, &minimize, &menu }) {
        EXPECT_EQ(button->top, 4);
        EXPECT_EQ(button->Width(), 20);
        EXPECT_EQ(button->Height(), 20);
    }
    const SkinItem& logo = *caption->FindItem(CCaptionWnd::ITEM_LOGO);
    const SkinItem& title = *caption->FindItem(CCaptionWnd::ITEM_TITLE);
    EXPECT_LT(logo.rect.right, title.rect.left);
    EXPECT_EQ(title.text, QStringLiteral("Tessaly"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tessaly"));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::ITEM_CLOSE)->tip, QStringLiteral("Close"));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::ITEM_MINIMIZE)->tip, QStringLiteral("Minimize"));
    EXPECT_EQ(caption->FindItem(CCaptionWnd::ITEM_MAINMENU)->tip, QStringLiteral("Main menu"));

    // The logo never becomes hot.
    Move(caption, Centre(logo));
    EXPECT_EQ(logo.state & ITEMSTATE_HOT, 0);
    Move(caption, Centre(*caption->FindItem(CCaptionWnd::ITEM_CLOSE)));
    EXPECT_NE(caption->FindItem(CCaptionWnd::ITEM_CLOSE)->state & ITEMSTATE_HOT, 0);
}

TEST(DialogFrame, OnlyTheFlaggedButtonsExist)
{
    App();
    PanedDialog dialog(CAPTION_CLOSE, {});
    dialog.resize(300, 200);
    dialog.show();
    CCaptionWnd* caption = dialog.Caption();
    EXPECT_NE(caption->FindItem(CCaptionWnd::ITEM_CLOSE), nullptr);
    for (const int id : { CCaptionWnd::ITEM_MAXIMIZE, CCaptionWnd::ITEM_MINIMIZE, CCaptionWnd::ITEM_MAINMENU,
             CCaptionWnd::ITEM_LOGO })
        EXPECT_EQ(caption->FindItem(id), nullptr) << id;
    EXPECT_NE(caption->FindItem(CCaptionWnd::ITEM_TITLE), nullptr);
}

TEST(DialogFrame, MaximizeAndRestoreSwapTheButtonsPictureAndTip)
{
    App();
    PanedDialog dialog(0x2F, {});
    dialog.resize(500, 300);
    dialog.show();
    CCaptionWnd* caption = dialog.Caption();
    const SkinItem* button = caption->FindItem(CCaptionWnd::ITEM_MAXIMIZE);
    EXPECT_EQ(button->tip, QStringLiteral("Maximum"));
    EXPECT_EQ(button->imageId, DefaultSkin().MaximizeImageId());

    Click(caption, ItemCentreIn(caption, CCaptionWnd::ITEM_MAXIMIZE));
    EXPECT_TRUE(dialog.isMaximized());
    EXPECT_EQ(button->tip, QStringLiteral("Restore"));
    EXPECT_EQ(button->imageId, DefaultSkin().RestoreImageId());

    Click(caption, ItemCentreIn(caption, CCaptionWnd::ITEM_MAXIMIZE));
    EXPECT_FALSE(dialog.isMaximized());
    EXPECT_EQ(button->tip, QStringLiteral("Maximum"));
    EXPECT_EQ(button->imageId, DefaultSkin().MaximizeImageId());

    // A double click on an empty part of the caption does the same.
    DoubleClick(caption, QPoint(caption->width() / 2, 15));
    EXPECT_TRUE(dialog.isMaximized());
    EXPECT_EQ(button->tip, QStringLiteral("Restore"));
    DoubleClick(caption, QPoint(caption->width() / 2, 15));
    EXPECT_FALSE(dialog.isMaximized());
}

TEST(DialogFrame, WithoutTheMaximizeFlagADoubleClickOnTheCaptionDoesNothing)
{
    App();
    PanedDialog dialog(CAPTION_CLOSE, {});
    dialog.resize(300, 200);
    dialog.show();
    DoubleClick(dialog.Caption(), QPoint(150, 15));
    EXPECT_FALSE(dialog.isMaximized());
}

TEST(DialogFrame, TheCloseButtonCancelsButEnterEscapeAndTabDoNot)
{
    App();
    PanedDialog dialog(0x2F, {});
    dialog.resize(400, 200);
    dialog.show();
    QLineEdit first(&dialog);
    QLineEdit second(&dialog);
    first.setGeometry(10, 50, 100, 24);
    second.setGeometry(10, 80, 100, 24);
    first.show();
    second.show();
    dialog.activateWindow();
    first.setFocus();
    for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Tab })
        QTest::keyClick(&first, key);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    if (QApplication::focusWidget() != nullptr) {
        EXPECT_EQ(QApplication::focusWidget(), &first);
    }

    Click(dialog.Caption(), ItemCentreIn(dialog.Caption(), CCaptionWnd::ITEM_CLOSE));
    EXPECT_EQ(dialog.closeCommands, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(DialogFrame, HitTestingGivesTheEdgesAndCornersOfAResizableFrame)
{
    const QSize size(100, 80);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 50, 40 }, false), FrameHit::Caption);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 0, 0 }, false), FrameHit::Caption);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 50, 40 }, true), FrameHit::Client);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 1, 1 }, true), FrameHit::Client);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 98, 78 }, true), FrameHit::Client);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 0, 0 }, true), FrameHit::TopLeft);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 1, 0 }, true), FrameHit::TopLeft);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 0, 1 }, true), FrameHit::TopLeft);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 2, 0 }, true), FrameHit::Top);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 99, 0 }, true), FrameHit::TopRight);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 98, 0 }, true), FrameHit::TopRight);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 99, 1 }, true), FrameHit::TopRight);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 99, 40 }, true), FrameHit::Right);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 99, 79 }, true), FrameHit::BottomRight);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 98, 79 }, true), FrameHit::BottomRight);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 50, 79 }, true), FrameHit::Bottom);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 0, 79 }, true), FrameHit::BottomLeft);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 1, 79 }, true), FrameHit::BottomLeft);
    EXPECT_EQ(CBaseDialog::HitTest(size, { 0, 40 }, true), FrameHit::Left);
    EXPECT_EQ(CBaseDialog::EdgesOf(FrameHit::BottomLeft), Qt::BottomEdge | Qt::LeftEdge);
    EXPECT_EQ(CBaseDialog::EdgesOf(FrameHit::Client), Qt::Edges {});
}

// Mouse moves for a drag to a global point: the local point is where the widget is now.
void DragTo(QWidget* widget, const QPoint& global)
{
    Move(widget, global - widget->mapToGlobal(QPoint(0, 0)), true);
}

TEST(DialogFrame, DraggingAnEmptyPartOfTheCaptionMovesTheDialog)
{
    App();
    PanedDialog dialog(0x2F, {});
    dialog.setGeometry(100, 100, 400, 200);
    dialog.show();
    CCaptionWnd* caption = dialog.Caption();
    const QPoint start = caption->mapToGlobal(QPoint(200, 15));
    Press(caption, QPoint(200, 15));
    DragTo(caption, start + QPoint(10, 5));
    DragTo(caption, start + QPoint(30, 20));
    Release(caption, start + QPoint(30, 20) - caption->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));
    DragTo(caption, start + QPoint(90, 90));
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));

    // A press on a button does not start a move.
    Press(caption, ItemCentreIn(caption, CCaptionWnd::ITEM_MINIMIZE));
    DragTo(caption, caption->mapToGlobal(QPoint(100, 20)));
    EXPECT_EQ(dialog.pos(), QPoint(130, 120));
}

TEST(DialogFrame, ADialogWithoutTheResizableFrameMovesFromAnyUncoveredPoint)
{
    App();
    PanedDialog dialog(CAPTION_CLOSE, {});
    dialog.setGeometry(50, 60, 300, 200);
    dialog.show();
    const QPoint start = dialog.mapToGlobal(QPoint(150, 199));
    Press(&dialog, QPoint(150, 199));
    DragTo(&dialog, start + QPoint(-20, 15));
    Release(&dialog, QPoint(150, 199));
    EXPECT_EQ(dialog.pos(), QPoint(30, 75));
}

TEST(DialogFrame, AResizableDialogResizesFromItsEdgeAndCorner)
{
    App();
    PanedDialog dialog(0x2F, { { 110, PANE_TOP | PANE_LEFT, 0 } });
    dialog.setGeometry(100, 100, 400, 300);
    dialog.show();
    Move(&dialog, QPoint(399, 150));
    EXPECT_EQ(dialog.cursor().shape(), Qt::SizeHorCursor);
    Move(&dialog, QPoint(0, 299));
    EXPECT_EQ(dialog.cursor().shape(), Qt::SizeBDiagCursor);
    Move(&dialog, QPoint(200, 150));
    EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
    Press(&dialog, QPoint(399, 150));
    DragTo(&dialog, dialog.mapToGlobal(QPoint(399, 150)) + QPoint(40, 0));
    Release(&dialog, QPoint(439, 150));
    EXPECT_EQ(dialog.geometry(), QRect(100, 100, 440, 300));
    // The panes follow.
    EXPECT_EQ(Slot(dialog.Caption()).width(), 440);

    const QPoint corner = dialog.mapToGlobal(QPoint(0, 0));
    Press(&dialog, QPoint(0, 0));
    DragTo(&dialog, corner + QPoint(-10, 20));
    Release(&dialog, QPoint(0, 0));
    EXPECT_EQ(dialog.geometry(), QRect(90, 120, 450, 280));

    // A click inside the frame moves nothing.
    Press(&dialog, QPoint(200, 150));
    DragTo(&dialog, dialog.mapToGlobal(QPoint(250, 180)));
    Release(&dialog, QPoint(250, 180));
    EXPECT_EQ(dialog.geometry(), QRect(90, 120, 450, 280));
}

TEST(DialogFrame, APaneIsAddedOnlyOnce)
{
    App();
    PanedDialog dialog(0x2F, {});
    ASSERT_TRUE(dialog.Create());
    CBaseWnd pane(&DefaultSkin());
    PaneRecord record;
    record.pane = &pane;
    EXPECT_TRUE(dialog.AddPane(record));
    EXPECT_FALSE(dialog.AddPane(record));
    EXPECT_EQ(dialog.Panes().size(), 2U);
    dialog.RemoveAllPanes();
}

} // namespace
