// The editing dialogs as the default skin draws them: their panes under the window ids that the
// skin styles, and the platform's controls on them in the skin's field and slider colours.

#include "DialogTestSupport.h"
#include "EditingDialogSupport.h"

#include "dialogs/PlayerSettingDlg.h"
#include "dialogs/ProgramDlg.h"
#include "dialogs/SetTimeDlg.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"
#include "skin/SliderWnd.h"

#include <gtest/gtest.h>

#include <QLineEdit>

using namespace dlgtest;

namespace {

// The colour of a point of part as the dialog shows it.
QColor Pixel(QWidget& dialog, const QWidget& part, const QPoint& point)
{
    const QImage shot = dialog.grab().toImage();
    return shot.pixelColor(part.mapTo(&dialog, point) * shot.devicePixelRatio());
}

QColor WindowColour(int windowId)
{
    return ColourFromArgb(DefaultSkin().GetSkinColour(windowId, 0, SKINCOLOUR_WND_BKBEGIN));
}

TEST(DialogLook, PanesAndBarsHaveTheirWindowIdsAndTheControlsTheSkinsColours)
{
    App();
    CPlayerSettingDlg::Settings settings;
    for (int player = 0; player < CPlayerSettingDlg::PLAYER_COUNT; ++player)
        settings[static_cast<std::size_t>(player)] = players::DefaultPlayerSetting(player);
    CPlayerSettingDlg playerSetting(nullptr, &DefaultSkin(), settings, nullptr, 0);
    CProgramDlg program(nullptr, &DefaultSkin(), nullptr);
    CSetTimeDlg setTime(nullptr, &DefaultSkin(), persist::TimeOfDay(8, 0, 0), persist::TimeOfDay(0, 0, 0));
    Open(playerSetting);
    Open(program);
    Open(setTime);
    const struct {
        CBaseDialog& dialog;
        CBaseWnd* panel;
        CBaseWnd* bar;
        int panelId;
        const char* panelName;
        const char* barName;
    } dialogs[] = {
        { playerSetting, playerSetting.Panel(), playerSetting.Bar(), 110, "PlayerSettingWnd",
            "PlayerSettingBarWnd" },
        { program, program.Panel(), program.Bar(), 112, "ProgramWnd", "ProgramBarWnd" },
        { setTime, setTime.Panel(), setTime.Bar(), 114, "SetTimeWnd", "SetTimeBarWnd" },
    };
    // The skin gives the bars a colour of their own, which a bar under another id would not show.
    ASSERT_NE(WindowColour(111), WindowColour(0));
    for (const auto& shown : dialogs) {
        SCOPED_TRACE(shown.panelName);
        EXPECT_EQ(shown.panel->ControlId(), shown.panelId);
        EXPECT_EQ(shown.panel->objectName(), QString::fromLatin1(shown.panelName));
        EXPECT_EQ(shown.bar->ControlId(), shown.panelId + 1);
        EXPECT_EQ(shown.bar->objectName(), QString::fromLatin1(shown.barName));
        EXPECT_EQ(
            Pixel(shown.dialog, *shown.bar, { shown.bar->width() / 2, 2 }), WindowColour(shown.panelId + 1));
        EXPECT_EQ(Pixel(shown.dialog, *shown.panel, { 2, 2 }), WindowColour(shown.panelId));
    }

    // The name field's face, and the volume slider's thumb (at 100, the right end).
    const QLineEdit& name = *playerSetting.NameEdit();
    EXPECT_EQ(Pixel(playerSetting, name, { name.width() - 5, name.height() / 2 }),
        ControlColour(DefaultSkin(), COLOURENTRY_FIELD_FACE));
    const SkinItem& volume = *playerSetting.Panel()->FindItem(CPlayerSettingDlg::ITEM_VOLUME);
    EXPECT_EQ(Pixel(playerSetting, *playerSetting.Panel(),
                  { CSliderWnd::ThumbLeft(volume) + 3, volume.rect.top + 1 }),
        ControlColour(DefaultSkin(), COLOURENTRY_SLIDER_THUMB));
    EXPECT_TRUE(SaveScreenshot(&playerSetting, QStringLiteral("player-setting-look")));
}

} // namespace
