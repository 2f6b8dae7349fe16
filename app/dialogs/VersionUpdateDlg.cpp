#include "dialogs/VersionUpdateDlg.h"

#include "dialogs/DialogPanes.h"
#include "skin/BaseWnd.h"
#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "update/UpdateAddresses.h"
#include "update/UpdateHandoff.h"
#include "update/VersionNumber.h"
#include "update/VersionUpdate.h"

#include <QDesktopServices>
#include <QFont>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

// 247 x 148 dialog units of a 10-point font.
constexpr int DIALOG_WIDTH = 432;
constexpr int DIALOG_HEIGHT = 296;
constexpr int BUTTON_WIDTH = 80;
constexpr int BUTTON_HEIGHT = 26;

QString Version(std::int32_t major, std::int32_t minor)
{
    return QString::fromStdString(VersionText(major, minor));
}

} // namespace

CVersionUpdateDlg::CVersionUpdateDlg(CVersionUpdate* checker, CBaseSkin* skin, std::int32_t currentMajor,
    std::int32_t currentMinor, std::int32_t latestMajor, std::int32_t latestMinor, QString latestDescription,
    QWidget* parent)
    : CBaseDialog(0, skin, parent)
    , m_checker(checker)
    , m_currentMajor(currentMajor)
    , m_currentMinor(currentMinor)
    , m_latestMajor(latestMajor)
    , m_latestMinor(latestMinor)
    , m_description(std::move(latestDescription))
    , m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
    , m_downloadUrl(ToQString(UPDATE_DOWNLOAD_URL.empty() ? ABOUT_HOME_URL : UPDATE_DOWNLOAD_URL))
{
    SetCaptionFlags(CAPTION_CLOSE);
    setFont(NamedFont(*skin, QStringLiteral("Times New Roman"), 10));
    resize(DIALOG_WIDTH, DIALOG_HEIGHT);
}

CVersionUpdateDlg::~CVersionUpdateDlg()
{
    // A worker still waiting for this dialog to take its result must stop waiting before it goes.
    if (m_checker != nullptr)
        m_checker->Detach(this);
}

bool CVersionUpdateDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(QStringLiteral("Live Update"));

    m_pane = std::make_unique<CBaseWnd>(Skin());
    if (!m_pane->Create(QStringLiteral("UpdateWnd"), 0, this, PANE_ID))
        return false;
    m_textBox = std::make_unique<QPlainTextEdit>(m_pane.get());
    m_textBox->setObjectName(QStringLiteral("TextBox%1").arg(TEXT_BOX_ID));
    m_textBox->setReadOnly(true);
    m_textBox->hide();
    PaneRecord pane;
    pane.pane = m_pane.get();
    pane.id = PANE_ID;
    pane.anchor = PANE_TOP | PANE_LEFT;
    pane.options = PANEOPT_INSET;
    AddPane(pane);

    if (m_latestMajor == 0 && m_latestMinor == 0) {
        ShowFetchingPage();
        if (m_checker != nullptr && !m_checker->HasVersionAddress())
            m_pane->SetItemText(ITEM_MESSAGE,
                QStringLiteral("Updates of this installation come with the system's package manager."));
        else
            QTimer::singleShot(START_DELAY_MS, this, &CVersionUpdateDlg::StartCheck);
    } else if (IsNewerVersion(m_latestMajor, m_latestMinor, m_currentMajor, m_currentMinor)) {
        ShowNewVersionPage();
    } else {
        ShowUpToDatePage();
    }
    return true;
}

void CVersionUpdateDlg::StartCheck()
{
    if (m_checker != nullptr)
        (void)m_checker->Start(true, this);
}

void CVersionUpdateDlg::OnUpdateResult(const UpdateResult& result, std::stop_token abandon)
{
    // A queued call, not a blocking one: the wait must end when the checker abandons the report.
    (void)HandOffAndWait(
        [this](std::function<void()> task) {
            QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
        },
        [this, &result] { HandleResult(result); }, abandon);
}

void CVersionUpdateDlg::HandleResult(const UpdateResult& result)
{
    if (m_page != Page::Fetching)
        return;
    if (result.Ok == 0) {
        m_pane->SetItemText(ITEM_MESSAGE, QStringLiteral("Failed to fetch the version information!"));
    } else if (!IsNewerVersion(result.LatestMajor, result.LatestMinor, m_currentMajor, m_currentMinor)) {
        ShowUpToDatePage();
    } else {
        m_latestMajor = result.LatestMajor;
        m_latestMinor = result.LatestMinor;
        m_description = QString::fromStdString(result.Description);
        ShowNewVersionPage();
    }
    update();
}

void CVersionUpdateDlg::AddText(int id, const QString& text, int height)
{
    SkinItem item = dialogpanes::Placed(id, LAYOUT_LEFT_NEWLINE | LAYOUT_FIXED_HEIGHT, { 0, 0, 0, height },
        { .Left = 12, .Right = 12, .Top = 4 });
    item.text = text;
    item.textAlign = TEXTALIGN_LEFT | TEXTALIGN_VCENTER;
    m_pane->AddItem(item);
}

void CVersionUpdateDlg::AddButton(int id, const QString& text)
{
    SkinItem item = dialogpanes::Placed(id, LAYOUT_RIGHT_BOTTOM | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT,
        { 0, 0, BUTTON_WIDTH, BUTTON_HEIGHT }, { .Right = 12, .Bottom = 12 });
    item.text = text;
    item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
    item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
    m_pane->AddItem(item);
}

void CVersionUpdateDlg::ShowFetchingPage()
{
    m_page = Page::Fetching;
    m_pane->RemoveAllItems();
    m_textBox->hide();
    AddText(ITEM_MESSAGE, QStringLiteral("Geting the version information, please waiting a moment ..."), 60);
    // The texts that replace it may need a second line.
    m_pane->FindItem(ITEM_MESSAGE)->layout |= LAYOUT_AUTOSIZE;
    m_pane->LayoutItems();
}

void CVersionUpdateDlg::ShowUpToDatePage()
{
    m_page = Page::UpToDate;
    m_pane->RemoveAllItems();
    m_textBox->hide();
    // One sentence, on two lines: on one it would not fit the dialog's width.
    AddText(0, QStringLiteral("You have the lastest version now."), 40);
    AddText(0, QStringLiteral("No update is available at this times."), 22);
    AddButton(ITEM_CLOSE, QStringLiteral("Close"));
    m_pane->LayoutItems();
}

void CVersionUpdateDlg::ShowNewVersionPage()
{
    m_page = Page::NewVersion;
    m_pane->RemoveAllItems();
    m_textBox->setPlainText(
        QStringLiteral("Version %1 :\r\n").arg(Version(m_latestMajor, m_latestMinor)) + m_description);
    SkinItem box;
    box.child = m_textBox.get();
    box.layout = LAYOUT_LEFT_NEWLINE | LAYOUT_FIXED_HEIGHT;
    box.rect = { 0, 0, 0, 110 };
    box.marginLeft = 12;
    box.marginRight = 12;
    box.marginTop = 10;
    m_pane->AddItem(box);
    m_textBox->show();
    AddText(0, QStringLiteral("Find new version, update or not?"), 22);
    AddText(0, QStringLiteral("Current Version : %1").arg(Version(m_currentMajor, m_currentMinor)), 20);
    AddText(0, QStringLiteral("Lastest Version : %1").arg(Version(m_latestMajor, m_latestMinor)), 20);
    AddButton(ITEM_CANCEL, QStringLiteral("Cancel"));
    AddButton(ITEM_OK, QStringLiteral("OK"));
    m_pane->LayoutItems();
}

QString CVersionUpdateDlg::ItemText(int id) const
{
    const SkinItem* item = m_pane ? m_pane->FindItem(id) : nullptr;
    return item != nullptr ? item->text : QString();
}

int CVersionUpdateDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender != PANE_ID || info.item == nullptr)
        return CBaseDialog::OnItemClick(info);
    switch (info.item->id) {
    case ITEM_CLOSE:
    case ITEM_CANCEL:
        reject();
        return 1;
    case ITEM_OK:
        if (!m_downloadUrl.isEmpty())
            m_openUrl(QUrl(m_downloadUrl));
        accept();
        return 1;
    default:
        return 0;
    }
}
