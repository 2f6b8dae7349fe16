#include "DialogTestSupport.h"

#include "dialogs/KVAboutDlg.h"
#include "skin/BaseWnd.h"
#include "skin/SkinDrawing.h"

#include <gtest/gtest.h>

#include <QTest>

#include <vector>

using namespace dlgtest;

namespace {

const QString SUPPORT_URL = QStringLiteral("https://maker.test/support/");
const QString HOME_URL = QStringLiteral("https://maker.test/");

QPoint Centre(const SkinItem& item)
{
    return { (item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2 };
}

TEST(AboutBox, ShowsThePictureVersionLinksAndRights)
{
    App();
    CKVAboutDlg dialog(&DefaultSkin());
    dialog.SetLinks(SUPPORT_URL, HOME_URL);
    dialog.show();
    CBaseWnd* pane = dialog.Pane();
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->objectName(), QStringLiteral("AboutWnd"));
    EXPECT_EQ(pane->ControlId(), CKVAboutDlg::PANE_ID);
    ASSERT_EQ(pane->ItemCount(), 7);
    EXPECT_EQ(pane->ItemAt(0)->imageId, CKVAboutDlg::ABOUT_IMAGE);
    EXPECT_EQ(pane->ItemAt(0)->rect.Height(), CKVAboutDlg::IMAGE_HEIGHT);
    EXPECT_EQ(pane->ItemAt(0)->rect.Width(), pane->width());
    EXPECT_NE(pane->GetSkinImage(CKVAboutDlg::ABOUT_IMAGE), nullptr);
    EXPECT_EQ(pane->ItemAt(1)->text, QStringLiteral("Version : 2.0.1.1"));
    EXPECT_EQ(pane->ItemAt(2)->text, QStringLiteral("Support : "));
    EXPECT_EQ(pane->FindItem(CKVAboutDlg::ITEM_SUPPORT_LINK)->text, SUPPORT_URL);
    EXPECT_EQ(pane->ItemAt(4)->text, QStringLiteral("Home Page : "));
    EXPECT_EQ(pane->FindItem(CKVAboutDlg::ITEM_HOME_LINK)->text, HOME_URL);
    EXPECT_TRUE(pane->ItemAt(6)->text.contains(QStringLiteral("rights reserved")));
    // Every line lies inside the pane.
    for (int index = 0; index < pane->ItemCount(); ++index)
        EXPECT_LE(pane->ItemAt(index)->rect.bottom, pane->height()) << index;
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("about")));

    // The picture keeps its proportions: centred in its full-width item with the pane beside it,
    // and scaled down, with the pane above it, where the box is narrower than the picture.
    const QColor background = ColourFromArgb(DefaultSkin().GetSkinColour(CKVAboutDlg::PANE_ID, 0, 0));
    EXPECT_EQ(pane->grab().toImage().pixelColor(4, CKVAboutDlg::IMAGE_HEIGHT / 2), background);
    dialog.resize(300, dialog.height());
    ASSERT_EQ(pane->ItemAt(0)->rect.Width(), 300);
    const QImage narrow = pane->grab().toImage();
    EXPECT_EQ(narrow.pixelColor(150, 4), background);
    EXPECT_NE(narrow.pixelColor(150, CKVAboutDlg::IMAGE_HEIGHT / 2), background);
}

TEST(AboutBox, ALinkWithoutAnAddressIsLeftOutWithItsLabel)
{
    App();
    const struct {
        QString support;
        QString home;
        QStringList texts;
    } cases[] = {
        { SUPPORT_URL, {}, { "Version : 2.0.1.1", "Support : ", SUPPORT_URL } },
        { {}, HOME_URL, { "Version : 2.0.1.1", "Home Page : ", HOME_URL } },
        { {}, {}, { "Version : 2.0.1.1" } },
    };
    for (const auto& links : cases) {
        CKVAboutDlg dialog(&DefaultSkin());
        dialog.SetLinks(links.support, links.home);
        dialog.show();
        // The texts from the version line to the rights line.
        QStringList texts;
        for (int index = 1; index < dialog.Pane()->ItemCount() - 1; ++index)
            texts.push_back(dialog.Pane()->ItemAt(index)->text);
        EXPECT_EQ(texts, links.texts);
        const SkinItem& rights = *dialog.Pane()->ItemAt(dialog.Pane()->ItemCount() - 1);
        EXPECT_TRUE(rights.text.contains(QStringLiteral("rights reserved")));
        // No room is left for the lines left out: the box ends as far below its last line as a full one.
        EXPECT_LE(dialog.Pane()->height() - rights.rect.bottom, 50);
        EXPECT_GE(dialog.Pane()->height(), rights.rect.bottom);
    }
}

TEST(AboutBox, LinksOpenTheirAddressAndStayOpenOtherItemsClose)
{
    App();
    CKVAboutDlg dialog(&DefaultSkin());
    dialog.SetLinks(SUPPORT_URL, HOME_URL);
    std::vector<QUrl> opened;
    dialog.SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    dialog.show();
    CBaseWnd* pane = dialog.Pane();

    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->FindItem(CKVAboutDlg::ITEM_SUPPORT_LINK)));
    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->FindItem(CKVAboutDlg::ITEM_HOME_LINK)));
    ASSERT_EQ(opened.size(), 2U);
    EXPECT_EQ(opened[0], QUrl(SUPPORT_URL));
    EXPECT_EQ(opened[1], QUrl(HOME_URL));
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->ItemAt(1)));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(opened.size(), 2U);
}

} // namespace
