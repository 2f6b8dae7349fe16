#include "UiTestSupport.h"

#include "skin/ElideText.h"
#include "skin/KVComboBox.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFontMetrics>

using namespace uitest;

namespace {

const QString ELLIPSIS(QChar(0x2026));

TEST(ElideKeepingEnd, KeepsTheEndThatTellsLikeNamesApart)
{
    App();
    const QFontMetrics metrics(QApplication::font());
    const int width
        = metrics.horizontalAdvance(QStringLiteral("USB Audio Adapter Analog Stereo (usb-adapter-2)")) - 20;
    const struct {
        QString text;
        QString end;
    } cases[] = {
        // Fits: unchanged.
        { "Zone 1 (zone1)", "Zone 1 (zone1)" },
        // The sink name stays whole, and so does the mark of a stored device that is absent.
        { "USB Audio Adapter Analog Stereo (usb-adapter-2)", " (usb-adapter-2)" },
        { "USB Audio Adapter Analog Stereo (usb-adapter-2) (not connected)",
            " (usb-adapter-2) (not connected)" },
        // A sink name too long to keep whole keeps its end.
        { "USB Audio Adapter (alsa_output.usb-GeneralPlus_USB_Audio_Device-00.analog-stereo.2)",
            "analog-stereo.2)" },
        // No parenthesised end: the end still wins most of the room.
        { "USB Audio Adapter Analog Stereo Output Number Two", "Number Two" },
    };
    for (const auto& name : cases) {
        SCOPED_TRACE(name.text.toStdString());
        const QString shown = ElideKeepingEnd(name.text, metrics, width);
        EXPECT_TRUE(shown.endsWith(name.end)) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(name.text.left(3))) << shown.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(shown), width + 1);
        EXPECT_EQ(shown.contains(ELLIPSIS), shown != name.text);
    }
}

TEST(KVComboBox, ShowsLongNamesWithTheirEndWithTheWholeNameAsTipAndAListAsWideAsTheLongest)
{
    App();
    QWidget parent;
    CKVComboBox box(&DefaultSkin(), &parent);
    const QString longName = QStringLiteral("USB Audio Adapter Analog Stereo (usb-adapter-2)");
    box.addItems({ QStringLiteral("Default"), longName });
    box.setGeometry(0, 0, 220, 22);
    parent.resize(400, 100);
    parent.show();

    EXPECT_EQ(box.DisplayedText(), QStringLiteral("Default"));
    EXPECT_TRUE(box.toolTip().isEmpty());
    box.setCurrentIndex(1);
    EXPECT_TRUE(box.DisplayedText().endsWith(QStringLiteral(" (usb-adapter-2)")))
        << box.DisplayedText().toStdString();
    EXPECT_TRUE(box.DisplayedText().contains(ELLIPSIS));
    EXPECT_EQ(box.toolTip(), longName);
    // Room for the whole name: no tip.
    box.resize(500, 22);
    EXPECT_EQ(box.DisplayedText(), longName);
    EXPECT_TRUE(box.toolTip().isEmpty());

    box.resize(220, 22);
    box.showPopup();
    QWidget* popup = box.view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_GE(box.view()->viewport()->width(), QFontMetrics(box.view()->font()).horizontalAdvance(longName));
    box.hidePopup();
}

} // namespace
