#include "DialogTestSupport.h"

#include "dialogs/KVAboutDlg.h"
#include "skin/BaseWnd.h"

#include <gtest/gtest.h>

#include <QTest>

#include <vector>

using namespace dlgtest;

namespace {

QPoint Centre(const SkinItem& item)
{
    return { (item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2 };
}

TEST(AboutBox, ShowsThePictureVersionLinksAndRights)
{
    App();
    CKVAboutDlg dialog(&DefaultSkin());
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
    EXPECT_EQ(pane->FindItem(CKVAboutDlg::ITEM_SUPPORT_LINK)->text.toStdString(), ABOUT_SUPPORT_URL);
    EXPECT_EQ(pane->ItemAt(4)->text, QStringLiteral("Home Page : "));
    EXPECT_EQ(pane->FindItem(CKVAboutDlg::ITEM_HOME_LINK)->text.toStdString(), ABOUT_HOME_URL);
    EXPECT_TRUE(pane->ItemAt(6)->text.contains(QStringLiteral("rights reserved")));
    // Every line lies inside the pane.
    for (int index = 0; index < pane->ItemCount(); ++index)
        EXPECT_LE(pane->ItemAt(index)->rect.bottom, pane->height()) << index;
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("about")));
}

TEST(AboutBox, LinksOpenTheirAddressAndStayOpenOtherItemsClose)
{
    App();
    CKVAboutDlg dialog(&DefaultSkin());
    std::vector<QUrl> opened;
    dialog.SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    dialog.show();
    CBaseWnd* pane = dialog.Pane();

    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->FindItem(CKVAboutDlg::ITEM_SUPPORT_LINK)));
    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->FindItem(CKVAboutDlg::ITEM_HOME_LINK)));
    ASSERT_EQ(opened.size(), 2U);
    EXPECT_EQ(opened[0].toString().toStdString(), ABOUT_SUPPORT_URL);
    EXPECT_EQ(opened[1].toString().toStdString(), ABOUT_HOME_URL);
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(pane, Qt::LeftButton, {}, Centre(*pane->ItemAt(1)));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(opened.size(), 2U);
}

} // namespace
