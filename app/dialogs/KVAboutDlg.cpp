#include "dialogs/KVAboutDlg.h"

#include "skin/BaseWnd.h"
#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "update/VersionNumber.h"

#include <QDesktopServices>
#include <QFont>
#include <QPainter>

namespace {

// 261 x 130 dialog units of a 10-point font, with room for the full-height picture.
constexpr int DIALOG_WIDTH = 457;
constexpr int DIALOG_HEIGHT = 290;
constexpr int LINE_HEIGHT = 20;
constexpr int LINE_GAP = 2;

SkinItem TextItem(int id, const QString& text, int layout)
{
    SkinItem item;
    item.id = id;
    item.text = text;
    item.layout = layout | LAYOUT_AUTOSIZE | LAYOUT_FIXED_HEIGHT;
    item.rect = { 0, 0, 0, LINE_HEIGHT };
    item.marginLeft = (layout & LAYOUT_LEFT_NEWLINE) != 0 ? 12 : 0;
    item.marginTop = (layout & LAYOUT_LEFT_NEWLINE) != 0 ? LINE_GAP : 0;
    item.textAlign = TEXTALIGN_LEFT | TEXTALIGN_VCENTER;
    return item;
}

// The about pane: its picture keeps its proportions instead of filling the item.
class AboutWnd final : public CBaseWnd {
public:
    using CBaseWnd::CBaseWnd;

protected:
    int OnDrawItemImage(QPainter& painter, const QRect& rect, SkinItem* item) override
    {
        const QImage* image = GetSkinImage(item->imageId);
        if (image == nullptr || image->isNull())
            return 1;
        QSize size = image->size();
        if (size.width() > rect.width() || size.height() > rect.height())
            size.scale(rect.size(), Qt::KeepAspectRatio);
        const QRect target(rect.left() + (rect.width() - size.width()) / 2,
            rect.top() + (rect.height() - size.height()) / 2, size.width(), size.height());
        DrawSkinImage(painter, target, *image, item->state);
        return 1;
    }
};

} // namespace

CKVAboutDlg::CKVAboutDlg(CBaseSkin* skin, QWidget* parent)
    : CBaseDialog(0, skin, parent)
    , m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
    , m_supportUrl(ToQString(ABOUT_SUPPORT_URL))
    , m_homeUrl(ToQString(ABOUT_HOME_URL))
{
    SetCaptionFlags(CAPTION_CLOSE);
    setFont(NamedFont(*skin, QStringLiteral("Times New Roman"), 10));
    resize(DIALOG_WIDTH, DIALOG_HEIGHT);
}

CKVAboutDlg::~CKVAboutDlg() = default;

bool CKVAboutDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(QStringLiteral("About Tessaly"));

    m_pane = std::make_unique<AboutWnd>(Skin());
    if (!m_pane->Create(QStringLiteral("AboutWnd"), 0, this, PANE_ID))
        return false;
    PaneRecord pane;
    pane.pane = m_pane.get();
    pane.id = PANE_ID;
    pane.anchor = PANE_TOP | PANE_LEFT;
    AddPane(pane);

    SkinItem picture;
    picture.imageId = ABOUT_IMAGE;
    picture.layout = LAYOUT_LEFT_NEWLINE | LAYOUT_FIXED_HEIGHT;
    picture.rect = { 0, 0, 0, IMAGE_HEIGHT };
    m_pane->AddItem(picture);
    m_pane->AddItem(TextItem(0,
        QStringLiteral("Version : %1")
            .arg(QString::fromStdString(VersionText(CURRENT_MAJOR_ID, CURRENT_MINOR_ID))),
        LAYOUT_LEFT_NEWLINE));
    if (!m_supportUrl.isEmpty()) {
        m_pane->AddItem(TextItem(0, QStringLiteral("Support : "), LAYOUT_LEFT_NEWLINE));
        m_pane->AddItem(TextItem(ITEM_SUPPORT_LINK, m_supportUrl, LAYOUT_LEFT));
    }
    if (!m_homeUrl.isEmpty()) {
        m_pane->AddItem(TextItem(0, QStringLiteral("Home Page : "), LAYOUT_LEFT_NEWLINE));
        m_pane->AddItem(TextItem(ITEM_HOME_LINK, m_homeUrl, LAYOUT_LEFT));
    }
    m_pane->AddItem(TextItem(
        0, QStringLiteral("Copyright (C) 2019-2026 Velloran. All rights reserved."), LAYOUT_LEFT_NEWLINE));
    // The box ends below its last line, also when a link is left out.
    const int missingLinks = (m_supportUrl.isEmpty() ? 1 : 0) + (m_homeUrl.isEmpty() ? 1 : 0);
    resize(width(), DIALOG_HEIGHT - missingLinks * (LINE_HEIGHT + LINE_GAP));
    m_pane->LayoutItems();
    return true;
}

int CKVAboutDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender != PANE_ID || info.item == nullptr)
        return CBaseDialog::OnItemClick(info);
    if (info.item->id == ITEM_SUPPORT_LINK || info.item->id == ITEM_HOME_LINK) {
        m_openUrl(QUrl(info.item->text));
        return 1;
    }
    accept();
    return 1;
}
