#include "dialogs/ProgramDlg.h"

#include "dialogs/DialogPanes.h"
#include "dialogs/MessageBox.h"
#include "skin/SkinCheckStyle.h"

#include <QDate>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <tuple>

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

QDate ShownDate(const persist::CalendarDate& date)
{
    const QDate shown(
        static_cast<int>(date.Year()), static_cast<int>(date.Month()), static_cast<int>(date.Day()));
    if (!shown.isValid() || shown < FIRST_DATE || shown > LAST_DATE)
        return QDate::currentDate();
    return shown;
}

persist::CalendarDate StoredDate(const QDate& date)
{
    return persist::CalendarDate(static_cast<std::uint32_t>(date.year()),
        static_cast<std::uint32_t>(date.month()), static_cast<std::uint32_t>(date.day()));
}

// Where a day off comes in the list: the coming ones first, by their next date, then those that
// have passed, the latest first.
std::tuple<bool, int, QDate> DayOffOrder(const players::DayOff& off, const QDate& today)
{
    QDate next = ShownDate(off.Date);
    if (off.Yearly) {
        next = QDate(today.year(), next.month(), next.day());
        // 29 February, in a year without one, comes in the next leap year.
        for (int year = today.year(); !next.isValid() || next < today; ++year)
            next = QDate(year + 1, static_cast<int>(off.Date.Month()), static_cast<int>(off.Date.Day()));
    }
    const bool past = next < today;
    return { past, past ? -static_cast<int>(next.toJulianDay() - today.toJulianDay()) : 0, next };
}

// The row's index into the policy's days off.
constexpr int DAY_OFF_INDEX_ROLE = Qt::UserRole;
constexpr int DAYS_OFF_HEIGHT = 96;

} // namespace

CProgramDlg::CProgramDlg(
    QWidget* parent, CBaseSkin* skin, const players::SchedulePolicy* policy, IMessageBox* messages)
    : CBaseDialog(0, skin, parent)
    , m_given(policy)
    , m_messages(messages != nullptr ? messages : &DefaultMessageBox())
{
    LoadPolicy();
    SetCaptionFlags(CAPTION_CLOSE);
    SetCaptionText(QStringLiteral("Schedule Policy"));
    resize(460, 420);
}

CProgramDlg::~CProgramDlg() = default;

void CProgramDlg::LoadPolicy()
{
    m_policy = m_given != nullptr ? *m_given : players::SchedulePolicy {};
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

    m_offDate = std::make_unique<QDateEdit>(QDate::currentDate(), m_panel.get());
    m_offDate->setDateRange(FIRST_DATE, LAST_DATE);
    m_offDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_offDate->setCalendarPopup(true);
    m_daysOff = std::make_unique<QTreeWidget>(m_panel.get());
    m_checkStyle = std::make_unique<SkinCheckStyle>(*Skin());
    m_daysOff->setStyle(m_checkStyle.get());
    m_daysOff->setColumnCount(2);
    m_daysOff->setHeaderLabels({ QStringLiteral("Day off"), QStringLiteral("Every year") });
    m_daysOff->setRootIsDecorated(false);
    m_daysOff->setSelectionMode(QAbstractItemView::SingleSelection);
    m_daysOff->header()->setStretchLastSection(true);
    m_daysOff->setColumnWidth(0, 160);
    SkinItem offLabel = dialogpanes::Label(ITEM_OFF_LABEL, QStringLiteral("Days off :"), 100);
    offLabel.marginTop = 16;
    m_panel->AddItem(offLabel);
    SkinItem offDate = dialogpanes::Holder(15, m_offDate.get(), 140);
    offDate.marginTop = 16;
    m_panel->AddItem(offDate);
    for (const auto& [id, text] :
        { std::pair { ITEM_ADD_OFF, "Add" }, std::pair { ITEM_REMOVE_OFF, "Remove" } }) {
        SkinItem button = dialogpanes::Button(id, QString::fromLatin1(text), false);
        button.rect = { 0, 0, 70, 22 };
        button.marginLeft = 6;
        button.marginTop = 16;
        m_panel->AddItem(button);
    }
    SkinItem list = dialogpanes::Holder(18, m_daysOff.get(), 396);
    list.layout = LAYOUT_LEFT_NEWLINE | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    list.rect = { 0, 0, 396, DAYS_OFF_HEIGHT };
    list.marginLeft = 28;
    m_panel->AddItem(list);
    connect(m_daysOff.get(), &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        const auto index = static_cast<std::size_t>(item->data(0, DAY_OFF_INDEX_ROLE).toInt());
        if (column == 1 && index < m_policy.DaysOff.size())
            m_policy.DaysOff[index].Yearly = item->checkState(1) == Qt::Checked;
    });

    m_bar->AddItem(dialogpanes::Button(ITEM_RESET, QStringLiteral("Reset"), false));
    m_bar->AddItem(dialogpanes::Button(ITEM_CANCEL, QStringLiteral("Cancel"), true));
    m_bar->AddItem(dialogpanes::Button(ITEM_OK, QStringLiteral("OK"), true));

    ShowPolicy();
    return true;
}

void CProgramDlg::ShowPolicy()
{
    ShowDaysOff();
    if (m_policy.Type == players::POLICY_WEEKLY) {
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
        m_policy.Type = players::POLICY_WEEKLY;
        for (int day = 0; day < 7; ++day)
            m_policy.Week[WeekIndex(day)] = IsChecked(ITEM_MONDAY + day);
        accept();
        return;
    }
    const QDate begin = m_begin->date();
    const QDate end = m_end->date();
    if (end < begin) {
        m_messages->Show(this, QStringLiteral("The start date must be less than or equal to the end date!"),
            QGuiApplication::applicationDisplayName(), players::MessageIcon::None);
        return;
    }
    m_policy.Type = players::POLICY_DATE_RANGE;
    m_policy.BeginDate = StoredDate(begin);
    m_policy.EndDate = StoredDate(end);
    accept();
}

void CProgramDlg::ShowDaysOff()
{
    const QDate today = QDate::currentDate();
    std::vector<std::size_t> order(m_policy.DaysOff.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return DayOffOrder(m_policy.DaysOff[a], today) < DayOffOrder(m_policy.DaysOff[b], today);
    });
    const QSignalBlocker quiet(m_daysOff.get());
    m_daysOff->clear();
    for (const std::size_t index : order) {
        const players::DayOff& off = m_policy.DaysOff[index];
        auto* item = new QTreeWidgetItem(m_daysOff.get());
        item->setText(0, std::get<QDate>(DayOffOrder(off, today)).toString(QStringLiteral("yyyy-MM-dd")));
        item->setData(0, DAY_OFF_INDEX_ROLE, static_cast<int>(index));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(1, off.Yearly ? Qt::Checked : Qt::Unchecked);
    }
}

void CProgramDlg::AddDayOff()
{
    const persist::CalendarDate date = StoredDate(m_offDate->date());
    const auto known = std::find_if(m_policy.DaysOff.begin(), m_policy.DaysOff.end(),
        [&](const players::DayOff& off) { return off.Date == date; });
    if (known == m_policy.DaysOff.end())
        m_policy.DaysOff.push_back(players::DayOff { date, false });
    ShowDaysOff();
}

void CProgramDlg::RemoveDayOff()
{
    const QTreeWidgetItem* item = m_daysOff->currentItem();
    if (item == nullptr)
        return;
    const auto index = static_cast<std::size_t>(item->data(0, DAY_OFF_INDEX_ROLE).toInt());
    if (index < m_policy.DaysOff.size())
        m_policy.DaysOff.erase(m_policy.DaysOff.begin() + static_cast<std::ptrdiff_t>(index));
    ShowDaysOff();
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
        if (info.item->id == ITEM_ADD_OFF) {
            AddDayOff();
            return 1;
        }
        if (info.item->id == ITEM_REMOVE_OFF) {
            RemoveDayOff();
            return 1;
        }
        return 0;
    }
    if (info.sender != BAR_ID)
        return CBaseDialog::OnItemClick(info);
    if (dialogpanes::ClickOkCancel(*this, info.item->id, [this] { OnOk(); }))
        return 1;
    if (info.item->id != ITEM_RESET)
        return 0;
    LoadPolicy();
    ShowPolicy();
    return 1;
}
