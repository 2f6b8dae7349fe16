#include "UiTestSupport.h"

#include "players/PlayList.h"
#include "skin/BaseDialog.h"
#include "skin/BaseWnd.h"
#include "skin/CaptionWnd.h"
#include "skin/KVComboBox.h"
#include "skin/KVListCtrl.h"
#include "skin/MenuEx.h"
#include "skin/SliderWnd.h"
#include "skin/XInfoTip.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

using namespace uitest;

namespace {

// A dialog laid out like the main window, with one more pane that shows the remaining kinds of
// item: labels in every alignment, a long path, check and radio boxes, a disabled and a hot
// item, text in the alternative colour and an embedded combo box.
class DemoDialog : public CBaseDialog {
public:
    DemoDialog()
        : CBaseDialog(0, &DefaultSkin())
    {
        SetCaptionFlags(0x2F);
        setWindowTitle(QStringLiteral("Tessaly"));
        m_list.AppendFile("/home/operator/Music/Morning/Opening Theme.mp3", 185'000);
        m_list.AppendFile("/home/operator/Music/Morning/Station Announcement.wav", 42'000);
        m_list.AppendFile("/home/operator/Music/Morning/A Very Long Title That Does Not Fit.flac", 254'000);
        (void)m_list.AppendFileAt("/home/operator/Music/Noon/Lunch Jingle.ogg", 30'000, "12:00:00");
        m_list.AppendFile("/home/operator/Music/Noon/Background Loop.mp3", 600'000);
        m_list.SetChecked(0, true);
        m_list.SetSelected(1, true);
    }

    CSliderWnd* playControl = nullptr;
    CBaseWnd* toolBar = nullptr;

protected:
    bool OnInitDialog() override
    {
        if (!CBaseDialog::OnInitDialog())
            return false;
        toolBar = AddBar(103, "ToolBarWnd", PANE_TOP, 40);
        const int tools[][2] = { { 1, 7 }, { 3, 9 }, { 2, 8 }, { 4, 10 }, { 5, 11 }, { 6, 12 } };
        const char* toolTips[] = { "Scheduling Policy", "Import List", "Export List", "Player Setting",
            "Start All Timer", "Stop All Timer" };
        for (int index = 0; index < 6; ++index) {
            SkinItem item = MakeItem(tools[index][0], 0x182, 0, 30);
            item.imageId = tools[index][1];
            item.tip = toolTips[index];
            item.marginLeft = 2;
            item.marginTop = 4;
            item.padding = 2;
            item.textAlign = 0x12;
            toolBar->AddItem(item);
        }

        CBaseWnd* status = AddBar(104, "StatusBarWnd", PANE_BOTTOM, 26);
        SkinItem clock = MakeItem(1, 0xE0, 140, 26);
        clock.text = QStringLiteral("14:05:33");
        clock.marginRight = 4;
        clock.textAlign = 0x08;
        status->AddItem(clock);
        SkinItem date = MakeItem(2, 0xE0, 160, 26);
        date.text = QStringLiteral("2026-12-07");
        date.marginRight = 4;
        date.textAlign = 0x08;
        status->AddItem(date);

        CBaseWnd* players = AddBar(105, "PlayerWnd", PANE_TOP, 52);
        const char* names[] = { "Player One", "Player Two", "Player Three", "Player Four", "Player Five",
            "Player Six", "Player Seven", "Player Eight" };
        const float percents[] = { 25.0F, 33.3F, 50.0F, 100.0F };
        for (int id = 0; id < 8; ++id) {
            SkinItem item = MakeItem(id, id == 4 ? 0x81 : 0x82, 0, 20, percents[id % 4]);
            item.text = names[id];
            item.tip = QStringLiteral("Stopped");
            item.imageId = id == 1 ? 13 : (id == 6 ? 16 : 15);
            item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
            item.marginLeft = 2;
            item.marginTop = 4;
            item.padding = 4;
            item.textAlign = 0x12;
            item.state = id == 0 ? ITEMSTATE_HIGHLIGHT : 0;
            players->AddItem(item);
        }

        AddControlsPane();

        CBaseWnd* listEdit = AddBar(106, "ListEditWnd", PANE_BOTTOM, 40);
        const int editIds[] = { 1, 2, 3, 4, 5, 8, 6, 7 };
        const char* editTexts[] = { "Add File", "Remove", "Move Up", "Move Down", "Clear", "Begin Time",
            "Start Timer", "Stop Timer" };
        for (int index = 0; index < 8; ++index) {
            SkinItem item = MakeItem(editIds[index], 0x182, 0, 30);
            item.text = editTexts[index];
            item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
            item.marginLeft = 2;
            item.marginTop = 4;
            item.padding = 8;
            item.textAlign = 0x12;
            listEdit->AddItem(item);
        }

        m_owned.push_back(std::make_unique<CSliderWnd>(Skin()));
        playControl = static_cast<CSliderWnd*>(m_owned.back().get());
        AddPaneWindow(playControl, 107, "PlayCtrlWnd", PANE_BOTTOM, 30);
        const int buttons[][2] = { { 1, 13 }, { 2, 15 }, { 3, 17 }, { 4, 18 } };
        const char* buttonTips[] = { "Play", "Stop", "Previous File", "Next File" };
        for (int index = 0; index < 4; ++index) {
            SkinItem item = MakeItem(buttons[index][0], 0xC2, 24, 24);
            item.imageId = buttons[index][1];
            item.tip = buttonTips[index];
            item.marginLeft = 2;
            item.marginTop = 2;
            playControl->AddItem(item);
        }
        SkinItem elapsed = MakeItem(5, 0xD0, 60, 22);
        elapsed.text = QStringLiteral("00:03:05");
        elapsed.tip = QStringLiteral("Elapsed Time");
        elapsed.marginTop = 4;
        elapsed.marginRight = 4;
        elapsed.textAlign = 0x14;
        playControl->AddItem(elapsed);
        SkinItem slider = MakeItem(6, 0x82, 0, 20);
        slider.style = ITEMSTYLE_SLIDER;
        slider.marginLeft = 10;
        slider.marginRight = 66;
        slider.marginTop = 5;
        SliderInfo info;
        info.pos = 37;
        info.notifyWhileDragging = 1;
        info.trackHeight = 10;
        info.thumbWidth = 8;
        slider.extra = info;
        playControl->AddItem(slider);

        CBaseWnd* files = AddBar(108, "FileListWnd", PANE_TOP, 0);
        m_view = std::make_unique<CKVListCtrl>(Skin(), files);
        m_view->SetControlId(200);
        m_view->SetPlayList(&m_list);
        m_view->GroupBySegment();
        SkinItem holder = MakeItem(0, 0x02, 0, 0);
        holder.marginLeft = 1;
        holder.marginRight = 1;
        holder.child = m_view.get();
        files->AddItem(holder);
        return true;
    }

private:
    CBaseWnd* AddBar(int id, const char* name, int anchor, int height)
    {
        m_owned.push_back(std::make_unique<CBaseWnd>(Skin()));
        CBaseWnd* bar = m_owned.back().get();
        AddPaneWindow(bar, id, name, anchor, height);
        return bar;
    }

    void AddPaneWindow(CBaseWnd* window, int id, const char* name, int anchor, int height)
    {
        EXPECT_TRUE(window->Create(QString::fromLatin1(name), 0, this, id));
        PaneRecord pane;
        pane.pane = window;
        pane.id = id;
        pane.anchor = anchor | PANE_LEFT | (height > 0 ? PANE_FIXED_HEIGHT : 0);
        pane.rect = { 0, 0, 0, height };
        pane.options = PANEOPT_INSET;
        AddPane(pane);
    }

    void AddControlsPane()
    {
        CBaseWnd* pane = AddBar(110, "PlayerSettingWnd", PANE_TOP, 112);
        const auto label = [&](int id, int layout, int width, const QString& text, int align) {
            SkinItem item = MakeItem(id, layout, width, 22);
            item.text = text;
            item.textAlign = align;
            item.marginLeft = 8;
            item.marginTop = 6;
            item.padding = 4;
            item.style = ITEMSTYLE_BORDER;
            pane->AddItem(item);
        };
        label(1, 0xC1, 120, QStringLiteral("Left aligned"), 0x11);
        label(2, 0xC2, 120, QStringLiteral("Centred"), 0x12);
        label(3, 0xC2, 120, QStringLiteral("Right aligned"), 0x14);
        label(4, 0xC2, 200,
            QStringLiteral("/home/operator/Music/Morning/A Very Long Title That Does Not Fit.flac"), 0x11);

        const auto box = [&](int id, int layout, int style, const QString& text, int state) {
            SkinItem item = MakeItem(id, layout | LAYOUT_AUTOSIZE | LAYOUT_FIXED_HEIGHT, 0, 20);
            item.text = text;
            item.style = style;
            item.state = state;
            item.marginLeft = 8;
            item.marginTop = 8;
            item.padding = 2;
            pane->AddItem(item);
        };
        box(10, 0x01, ITEMSTYLE_CHECKBOX, QStringLiteral("Timer on"), ITEMSTATE_CHECKED);
        box(11, 0x02, ITEMSTYLE_CHECKBOX, QStringLiteral("Loop"), 0);
        box(12, 0x02, ITEMSTYLE_CHECKBOX, QStringLiteral("Locked"), ITEMSTATE_CHECKED | ITEMSTATE_DISABLED);
        box(13, 0x02, ITEMSTYLE_RADIOBOX, QStringLiteral("Weekly"), ITEMSTATE_CHECKED);
        box(14, 0x02, ITEMSTYLE_RADIOBOX, QStringLiteral("Date range"), 0);
        box(15, 0x02, ITEMSTYLE_RADIOBOX, QStringLiteral("Disabled"), ITEMSTATE_DISABLED);

        const auto button = [&](int id, int layout, const QString& text, int state) {
            SkinItem item = MakeItem(id, layout | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT, 90, 26);
            item.text = text;
            item.textAlign = 0x12;
            item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
            item.state = state;
            item.marginLeft = 8;
            item.marginTop = 8;
            pane->AddItem(item);
        };
        button(20, 0x01, QStringLiteral("OK"), 0);
        button(21, 0x02, QStringLiteral("Hot"), ITEMSTATE_HOT);
        button(22, 0x02, QStringLiteral("Disabled"), ITEMSTATE_DISABLED);

        SkinItem hotImage = MakeItem(23, 0xC2, 30, 30);
        hotImage.imageId = 10;
        hotImage.style = ITEMSTYLE_HOT_FRAME;
        hotImage.state = ITEMSTATE_HOT;
        hotImage.marginLeft = 8;
        hotImage.marginTop = 6;
        pane->AddItem(hotImage);
        SkinItem greyImage = MakeItem(24, 0xC2, 30, 30);
        greyImage.imageId = 10;
        greyImage.state = ITEMSTATE_DISABLED;
        greyImage.marginLeft = 4;
        greyImage.marginTop = 6;
        pane->AddItem(greyImage);

        SkinItem alt = MakeItem(25, LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE, 0, 26);
        alt.text = QStringLiteral("Secondary text");
        alt.style = ITEMSTYLE_ALT_TEXT;
        alt.marginLeft = 8;
        alt.marginTop = 8;
        alt.textAlign = 0x11;
        pane->AddItem(alt);

        m_combo = std::make_unique<CKVComboBox>(&DefaultSkin(), pane);
        m_combo->addItems({ QStringLiteral("Zone 1 (zone1)"), QStringLiteral("Zone 2 (zone2)") });
        SkinItem holder = MakeItem(26, 0xD0, 150, 22);
        holder.marginRight = 8;
        holder.marginTop = 6;
        holder.child = m_combo.get();
        pane->AddItem(holder);
    }

    players::PlayList m_list;
    std::vector<std::unique_ptr<CBaseWnd>> m_owned;
    std::unique_ptr<CKVListCtrl> m_view;
    std::unique_ptr<CKVComboBox> m_combo;
};

// A window's picture, transparent outside its mask.
QImage Shot(QWidget& widget)
{
    QImage image = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion mask = widget.mask();
    if (!mask.isEmpty()) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (!mask.contains(QPoint(x, y)))
                    image.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    return image;
}

TEST(DemoScreenshot, EveryKindOfItemAndControlWithTheDefaultSkin)
{
    App();
    DemoDialog dialog;
    dialog.resize(780, 620);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // The mouse over the close button and over a tool bar button.
    dialog.Caption()->SetItemState(CCaptionWnd::ITEM_CLOSE, ITEMSTATE_HOT, ITEMSTATE_HOT);
    dialog.toolBar->SetItemState(4, ITEMSTATE_HOT, ITEMSTATE_HOT);

    CMenuEx menu(&DefaultSkin());
    menu.addAction(QStringLiteral("&Scheduling Policy"));
    QAction* import = menu.addAction(QStringLiteral("&Import List\tCtrl+I"));
    menu.addAction(QStringLiteral("&Export List\tCtrl+E"));
    menu.addSeparator();
    QAction* timers = menu.addAction(QStringLiteral("Start All Timer"));
    timers->setCheckable(true);
    timers->setChecked(true);
    menu.addAction(QStringLiteral("Stop All Timer"))->setEnabled(false);
    CMenuEx* help = menu.AddSubMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("About"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("E&xit System"));
    menu.popup(QPoint(820, 40));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.setActiveAction(import);

    CXInfoTip* tip = dialog.toolBar->InfoTip();
    tip->Show(QStringLiteral("Import List"), QPoint(840, 360), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip->IsShown(); }, 1000));
    QTest::qWait(50);

    const QImage dialogShot = Shot(dialog);
    const QImage menuShot = Shot(menu);
    const QImage tipShot = Shot(*tip);
    QImage canvas(dialogShot.width() + menuShot.width() + 60,
        std::max(dialogShot.height(), menuShot.height() + tipShot.height() + 60) + 40, QImage::Format_ARGB32);
    canvas.fill(QColor(128, 132, 138));
    {
        QPainter painter(&canvas);
        painter.drawImage(20, 20, dialogShot);
        painter.drawImage(dialogShot.width() + 40, 20, menuShot);
        painter.drawImage(dialogShot.width() + 40, menuShot.height() + 60, tipShot);
    }
    const QString path = QStringLiteral(TESSALY_BUILD_DIR "/skin-demo.png");
    ASSERT_TRUE(canvas.save(path, "PNG")) << path.toStdString();
    std::printf("screenshot: %s\n", qPrintable(path));

    // The caption bar is drawn in the scheme's caption colour, and the menu's highlighted item in
    // colour entry 13.
    const QRgb captionColour = DefaultSkin().GetSkinColour(101, 0, 0);
    EXPECT_EQ(dialogShot.pixel(dialog.Caption()->geometry().center()) & 0xFFFFFF, captionColour & 0xFFFFFF);
    const QRect highlighted = menu.actionGeometry(import);
    EXPECT_EQ(menuShot.pixel(highlighted.left() + 4, highlighted.center().y()) & 0xFFFFFF,
        DefaultSkin().GetSkinColour(0, 0, 13) & 0xFFFFFF);
    tip->Hide();
    menu.hide();
}

} // namespace
