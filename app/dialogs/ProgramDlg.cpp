#include "dialogs/ProgramDlg.h"

#include "dialogs/DialogPanes.h"
#include "dialogs/MessageBox.h"

#include <QDate>
#include <QDateEdit>
#include <QGuiApplication>

namespace {

const char* const DAY_NAMES[]
    = { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday" };

// The policy's week flag of the day box at index 0 (Monday) to 6 (Sunday).
std::size_t WeekIndex(int box)
{
    return static_cast<std::size_t>((box + 1) % 7);
}

// The dates a policy can hold; anything else shows as today.
const QDate FIRST_DATE(2000, 1, 1);
const QDate LAST_DATE(2099, 12, 31);

QDate ShownDate(const CalendarDate& date)
{
    const QDate shown(
        static_cast<int>(date.Year()), static_cast<int>(date.Month()), static_cast<int>(date.Day()));
    if (!shown.isValid() || shown < FIRST_DATE || shown > LAST_DATE)
        return QDate::currentDate();
    return shown;
}

CalendarDate StoredDate(const QDate& date)
{
    return CalendarDate(static_cast<std::uint32_t>(date.year()), static_cast<std::uint32_t>(date.month()),
        static_cast<std::uint32_t>(date.day()));
}

} // namespace

CProgramDlg::CProgramDlg(
    QWidget* parent, CBaseSkin* skin, const SchedulePolicy* policy, IMessageBox* messages)
    : CBaseDialog(0, skin, parent)
    , m_given(policy)
    , m_messages(messages != nullptr ? messages : &DefaultMessageBox())
{
    LoadPolicy();
    SetCaptionFlags(CAPTION_CLOSE);
    SetCaptionText(QStringLiteral("Schedule Policy"));
    resize(460, 270);
}

CProgramDlg::~CProgramDlg() = default;

void CProgramDlg::LoadPolicy()
{
    m_policy = m_given != nullptr ? *m_given : SchedulePolicy {};
}

bool CProgramDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(QStringLiteral("Schedule Policy"));
    m_bar = std::make_unique<CBaseWnd>(Skin());
    m_panel = std::make_unique<CProgramWnd>(Skin());
    if (!dialogpanes::AddPaneWindow(*this, *m_bar, BAR_ID, QStringLiteral("ProgramBarWnd"), PANE_BOTTOM, 40)
        || !dialogpanes::AddPaneWindow(*this, *m_panel, PANEL_ID, QStringLiteral("ProgramWnd"), PANE_TOP, 0))
        return false;

    m_begin = std::make_unique<QDateEdit>(QDate::currentDate(), m_panel.get());
    m_end = std::make_unique<QDateEdit>(QDate::currentDate(), m_panel.get());
    for (QDateEdit* picker : { m_begin.get(), m_end.get() }) {
        picker->setDateRange(FIRST_DATE, LAST_DATE);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setCalendarPopup(true);
    }

    m_panel->AddItem(
        dialogpanes::Box(ITEM_WEEKLY, QStringLiteral("Weekly schedule"), ITEMSTYLE_RADIOBOX, true, 200));
    for (int day = 0; day < 7; ++day) {
        SkinItem box = dialogpanes::Box(ITEM_MONDAY + day, QString::fromLatin1(DAY_NAMES[day]),
            ITEMSTYLE_CHECKBOX, day == 0 || day == 4, 100);
        if (day == 0 || day == 4)
            box.marginLeft = 28;
        m_panel->AddItem(box);
    }
    SkinItem range = dialogpanes::Box(
        ITEM_DATE_RANGE, QStringLiteral("Date range schedule"), ITEMSTYLE_RADIOBOX, true, 200);
    range.marginTop = 14;
    m_panel->AddItem(range);
    SkinItem beginLabel = dialogpanes::Label(ITEM_BEGIN_LABEL, QStringLiteral("Begin date :"), 100);
    beginLabel.marginLeft = 28;
    m_panel->AddItem(beginLabel);
    m_panel->AddItem(dialogpanes::Holder(11, m_begin.get(), 140));
    SkinItem endLabel = dialogpanes::Label(ITEM_END_LABEL, QStringLiteral("End date :"), 100);
    endLabel.marginLeft = 28;
    m_panel->AddItem(endLabel);
    m_panel->AddItem(dialogpanes::Holder(13, m_end.get(), 140));

    m_bar->AddItem(dialogpanes::Button(ITEM_RESET, QStringLiteral("Reset"), false));
    m_bar->AddItem(dialogpanes::Button(ITEM_CANCEL, QStringLiteral("Cancel"), true));
    m_bar->AddItem(dialogpanes::Button(ITEM_OK, QStringLiteral("OK"), true));

    ShowPolicy();
    return true;
}

void CProgramDlg::ShowPolicy()
{
    if (m_policy.Type == POLICY_WEEKLY) {
        for (int day = 0; day < 7; ++day)
            SetChecked(ITEM_MONDAY + day, m_policy.Week[WeekIndex(day)]);
        SelectWeekly(true);
        return;
    }
    m_begin->setDate(ShownDate(m_policy.BeginDate));
    m_end->setDate(ShownDate(m_policy.EndDate));
    SelectWeekly(false);
}

void CProgramDlg::SelectWeekly(bool weekly)
{
    SetChecked(ITEM_WEEKLY, weekly);
    SetChecked(ITEM_DATE_RANGE, !weekly);
    for (int day = 0; day < 7; ++day)
        SetItemEnabled(ITEM_MONDAY + day, weekly);
    SetItemEnabled(ITEM_BEGIN_LABEL, !weekly);
    SetItemEnabled(ITEM_END_LABEL, !weekly);
    m_begin->setEnabled(!weekly);
    m_end->setEnabled(!weekly);
}

void CProgramDlg::SetItemEnabled(int id, bool enabled)
{
    (void)m_panel->SetItemState(id, ITEMSTATE_DISABLED, enabled ? 0 : ITEMSTATE_DISABLED);
}

bool CProgramDlg::IsChecked(int id) const
{
    const SkinItem* item = m_panel->FindItem(id);
    return item != nullptr && (item->state & ITEMSTATE_CHECKED) != 0;
}

void CProgramDlg::SetChecked(int id, bool checked)
{
    (void)m_panel->SetItemState(id, ITEMSTATE_CHECKED, checked ? ITEMSTATE_CHECKED : 0);
}

void CProgramDlg::OnOk()
{
    if (IsChecked(ITEM_WEEKLY)) {
        m_policy.Type = POLICY_WEEKLY;
        for (int day = 0; day < 7; ++day)
            m_policy.Week[WeekIndex(day)] = IsChecked(ITEM_MONDAY + day);
        accept();
        return;
    }
    const QDate begin = m_begin->date();
    const QDate end = m_end->date();
    if (end < begin) {
        m_messages->Show(this, QStringLiteral("The start date must be less than or equal to the end date!"),
            QGuiApplication::applicationDisplayName(), MessageIcon::None);
        return;
    }
    m_policy.Type = POLICY_DATE_RANGE;
    m_policy.BeginDate = StoredDate(begin);
    m_policy.EndDate = StoredDate(end);
    accept();
}

int CProgramDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.item == nullptr)
        return CBaseDialog::OnItemClick(info);
    if (info.sender == PANEL_ID) {
        if (info.item->id == ITEM_WEEKLY || info.item->id == ITEM_DATE_RANGE) {
            SelectWeekly(info.item->id == ITEM_WEEKLY);
            return 1;
        }
        return 0;
    }
    if (info.sender != BAR_ID)
        return CBaseDialog::OnItemClick(info);
    switch (info.item->id) {
    case ITEM_OK:
        OnOk();
        return 1;
    case ITEM_CANCEL:
        reject();
        return 1;
    case ITEM_RESET:
        LoadPolicy();
        ShowPolicy();
        return 1;
    default:
        return 0;
    }
}
