#include "dialogs/SetTimeDlg.h"

#include "dialogs/DialogPanes.h"
#include "dialogs/MessageBox.h"
#include "skin/BaseWnd.h"

#include <QTime>
#include <QTimeEdit>

namespace {
const QString CAPTION = QStringLiteral("Set Begin Time");
}

CSetTimeDlg::CSetTimeDlg(QWidget* parent, CBaseSkin* skin, const persist::TimeOfDay& current,
    const persist::TimeOfDay& earliest, IMessageBox* messages)
    : CBaseDialog(0, skin, parent)
    , m_current(current)
    , m_earliest(earliest)
    , m_result(current)
    , m_messages(messages != nullptr ? messages : &DefaultMessageBox())
{
    SetCaptionFlags(CAPTION_CLOSE);
    SetCaptionText(CAPTION);
    resize(320, 130);
}

CSetTimeDlg::~CSetTimeDlg() = default;

bool CSetTimeDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(CAPTION);
    m_bar = std::make_unique<CBaseWnd>(Skin());
    m_panel = std::make_unique<CBaseWnd>(Skin());
    if (!dialogpanes::AddPaneWindow(*this, *m_bar, BAR_ID, QStringLiteral("SetTimeBarWnd"), PANE_BOTTOM, 40)
        || !dialogpanes::AddPaneWindow(*this, *m_panel, PANEL_ID, QStringLiteral("SetTimeWnd"), PANE_TOP, 0))
        return false;

    m_picker = std::make_unique<QTimeEdit>(m_panel.get());
    m_picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_picker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_panel->AddItem(dialogpanes::Label(1, QStringLiteral("Begin Time :"), 100));
    m_panel->AddItem(dialogpanes::Holder(2, m_picker.get(), 160));

    m_bar->AddItem(dialogpanes::Button(ITEM_NOW, QStringLiteral("Now"), false));
    m_bar->AddItem(dialogpanes::Button(ITEM_CANCEL, QStringLiteral("Cancel"), true));
    m_bar->AddItem(dialogpanes::Button(ITEM_OK, QStringLiteral("OK"), true));
    ShowTime(m_current);
    return true;
}

void CSetTimeDlg::ShowTime(const persist::TimeOfDay& time)
{
    m_picker->setTime(QTime(
        static_cast<int>(time.Hour()), static_cast<int>(time.Minute()), static_cast<int>(time.Second())));
}

void CSetTimeDlg::OnOk()
{
    const QTime picked = m_picker->time();
    const persist::TimeOfDay entered(static_cast<std::uint32_t>(picked.hour()),
        static_cast<std::uint32_t>(picked.minute()), static_cast<std::uint32_t>(picked.second()));
    if (entered < m_earliest) {
        m_messages->Show(this,
            QStringLiteral("Begin time should be greater than or equal %1")
                .arg(QString::fromStdString(m_earliest.Text())),
            CAPTION, players::MessageIcon::Information);
        ShowTime(m_current);
        return;
    }
    m_result = entered;
    accept();
}

int CSetTimeDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender != BAR_ID || info.item == nullptr)
        return CBaseDialog::OnItemClick(info);
    if (dialogpanes::ClickOkCancel(*this, info.item->id, [this] { OnOk(); }))
        return 1;
    if (info.item->id != ITEM_NOW)
        return 0;
    m_picker->setTime(QTime::currentTime());
    return 1;
}
