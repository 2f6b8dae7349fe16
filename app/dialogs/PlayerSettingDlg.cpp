#include "dialogs/PlayerSettingDlg.h"

#include "dialogs/AudioDeviceList.h"
#include "dialogs/DialogPanes.h"
#include "skin/BaseWnd.h"
#include "skin/KVComboBox.h"

#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace {

constexpr int LABEL_WIDTH = 80;
// Wide enough for a device name with most of its sink name.
constexpr int CONTROL_WIDTH = 300;
constexpr int DEVICE_NAME_LENGTH = 200;
constexpr int CHANNEL_MIX = 0;
constexpr int CHANNEL_LEFT = 1;
constexpr int CHANNEL_RIGHT = 2;
constexpr std::int32_t BALANCE_FULL = 10000;
// Each device item holds the device name that the player stores: empty for "Default", the name
// itself for a device the control lists, and the stored name for an absent device's own entry.
constexpr int DEVICE_NAME_ROLE = Qt::UserRole;
// Set on the entry of a stored device that is not connected.
constexpr int ABSENT_DEVICE_ROLE = Qt::UserRole + 1;

// Words that run on from the item before them, as part of one sentence with a control in it.
SkinItem Words(int id, const QString& text, int width, bool newRow)
{
    SkinItem item = dialogpanes::Label(id, text, width);
    if (!newRow)
        item.layout = LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    item.marginLeft = newRow ? LABEL_WIDTH + 12 : 4;
    item.padding = 0;
    item.textAlign = TEXTALIGN_LEFT | TEXTALIGN_VCENTER;
    return item;
}

SkinItem Slider(int id, int min, int max, int pos)
{
    SkinItem item = dialogpanes::Holder(id, nullptr, CONTROL_WIDTH);
    item.style = ITEMSTYLE_SLIDER;
    SliderInfo info;
    info.min = min;
    info.max = max;
    info.pos = pos;
    info.tipWhileDragging = 1;
    info.trackHeight = 6;
    info.thumbWidth = 8;
    item.extra = info;
    return item;
}

} // namespace

CPlayerSettingDlg::CPlayerSettingDlg(
    QWidget* parent, CBaseSkin* skin, const Settings& settings, IAudioDeviceList* devices, int currentPlayer)
    : CBaseDialog(0, skin, parent)
    , m_initial(settings)
    , m_working(settings)
    , m_devices(devices)
    , m_shown(std::clamp(currentPlayer, 0, PLAYER_COUNT - 1))
{
    SetCaptionFlags(CAPTION_CLOSE);
    SetCaptionText(QStringLiteral("Player Setting"));
    resize(580, 310);
}

CPlayerSettingDlg::~CPlayerSettingDlg() = default;

bool CPlayerSettingDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(QStringLiteral("Player Setting"));
    m_bar = std::make_unique<CBaseWnd>(Skin());
    m_panel = std::make_unique<CPlayerSettingWnd>(Skin());
    if (!dialogpanes::AddPaneWindow(
            *this, *m_bar, BAR_ID, QStringLiteral("PlayerSettingBarWnd"), PANE_BOTTOM, 40)
        || !dialogpanes::AddPaneWindow(
            *this, *m_panel, PANEL_ID, QStringLiteral("PlayerSettingWnd"), PANE_TOP, 0))
        return false;

    m_playerIds = std::make_unique<CKVComboBox>(Skin(), m_panel.get());
    m_name = std::make_unique<QLineEdit>(m_panel.get());
    m_deviceList = std::make_unique<CKVComboBox>(Skin(), m_panel.get());
    m_channelList = std::make_unique<CKVComboBox>(Skin(), m_panel.get());
    m_name->setMaxLength(NAME_LENGTH_MAX);

    m_panel->AddItem(dialogpanes::Label(1, QStringLiteral("PlayerID :"), LABEL_WIDTH));
    m_panel->AddItem(dialogpanes::Holder(11, m_playerIds.get(), CONTROL_WIDTH));
    m_panel->AddItem(dialogpanes::Label(2, QStringLiteral("Name :"), LABEL_WIDTH));
    m_panel->AddItem(dialogpanes::Holder(12, m_name.get(), CONTROL_WIDTH));
    m_panel->AddItem(dialogpanes::Label(3, QStringLiteral("Device :"), LABEL_WIDTH));
    m_panel->AddItem(dialogpanes::Holder(13, m_deviceList.get(), CONTROL_WIDTH));
    m_panel->AddItem(dialogpanes::Label(4, QStringLiteral("Volume :"), LABEL_WIDTH));
    m_panel->AddItem(Slider(ITEM_VOLUME, 0, 100, 100));
    m_panel->AddItem(dialogpanes::Label(5, QStringLiteral("Amplify :"), LABEL_WIDTH));
    m_panel->AddItem(Slider(ITEM_AMPLIFY, 10, 100, 10));
    m_panel->AddItem(dialogpanes::Label(6, QStringLiteral("Channel :"), LABEL_WIDTH));
    m_panel->AddItem(dialogpanes::Holder(16, m_channelList.get(), CONTROL_WIDTH));
    // Announcements over music: "Lower other players on this device by [12] dB while this one plays".
    m_duckList = std::make_unique<CKVComboBox>(Skin(), m_panel.get());
    m_duckList->addItem(QStringLiteral("0"), 0);
    for (int db = players::DUCK_MIN_DB; db <= players::DUCK_MAX_DB; db += 3)
        m_duckList->addItem(QString::number(db), db);
    m_panel->AddItem(dialogpanes::Label(7, QStringLiteral("Announce :"), LABEL_WIDTH));
    m_panel->AddItem(Words(8, QStringLiteral("Lower other players on this device by"), 228, false));
    m_panel->AddItem(dialogpanes::Holder(17, m_duckList.get(), 56));
    m_panel->AddItem(Words(9, QStringLiteral("dB while this one plays"), 150, false));
    SkinItem loudness = dialogpanes::Box(
        ITEM_EVEN_LOUDNESS, QStringLiteral("Even loudness"), ITEMSTYLE_CHECKBOX, true, 160);
    loudness.marginLeft = LABEL_WIDTH + 12;
    loudness.marginTop = 8;
    m_panel->AddItem(loudness);

    m_bar->AddItem(dialogpanes::Button(ITEM_RESET, QStringLiteral("Reset"), false));
    m_bar->AddItem(dialogpanes::Button(ITEM_CANCEL, QStringLiteral("Cancel"), true));
    m_bar->AddItem(dialogpanes::Button(ITEM_OK, QStringLiteral("OK"), true));

    for (int player = 0; player < PLAYER_COUNT; ++player)
        m_playerIds->addItem(QString::number(player + 1));
    m_playerIds->setCurrentIndex(m_shown);
    m_channelList->addItems(
        { QStringLiteral("Mix Channel"), QStringLiteral("Left Channel"), QStringLiteral("Right Channel") });
    FillDeviceList();
    m_deviceList->setCurrentIndex(0);
    ShowValues(m_shown);
    connect(m_playerIds.get(), &QComboBox::currentIndexChanged, this,
        [this](int index) { OnPlayerSelected(index); });
    return true;
}

void CPlayerSettingDlg::FillDeviceList()
{
    m_deviceList->addItem(QStringLiteral("Default"), QString());
    if (m_devices == nullptr)
        return;
    const short count = m_devices->GetAudioDeviceNums();
    for (short index = 0; index < count; ++index) {
        std::array<char16_t, DEVICE_NAME_LENGTH> name {};
        if (!m_devices->GetAudioDevice(index, name.data(), DEVICE_NAME_LENGTH))
            continue;
        // A name that fills the buffer is cut at its end rather than read past it.
        const auto end = std::find(name.begin(), name.end(), u'\0');
        const QString device = QString::fromUtf16(name.data(), end - name.begin());
        m_deviceList->addItem(device, device);
    }
}

void CPlayerSettingDlg::ShowValues(int player)
{
    const players::PlayerSetting& setting = m_working[static_cast<std::size_t>(player)];
    m_name->setText(QString::fromStdString(setting.Name));
    ShowDevice(setting.Device);
    (void)m_panel->SetSliderPos(ITEM_VOLUME, setting.Volume);
    (void)m_panel->SetSliderPos(ITEM_AMPLIFY, static_cast<int>(std::trunc(setting.Amplify * 10.0F)));
    m_channelList->setCurrentIndex(
        setting.Balance == 0 ? CHANNEL_MIX : (setting.Balance < 0 ? CHANNEL_LEFT : CHANNEL_RIGHT));
    // A reduction between the list's steps shows as the next one down, and is kept unless changed.
    int duck = 0;
    for (int index = 0; index < m_duckList->count(); ++index) {
        if (m_duckList->itemData(index).toInt() <= setting.DuckDb)
            duck = index;
    }
    m_duckList->setCurrentIndex(duck);
    m_shownDuckIndex = duck;
    (void)m_panel->SetItemState(
        ITEM_EVEN_LOUDNESS, ITEMSTATE_CHECKED, setting.EvenLoudness ? ITEMSTATE_CHECKED : 0);
}

void CPlayerSettingDlg::ShowDevice(const std::string& stored)
{
    // Only the shown player's absent device has an entry of its own.
    for (int index = m_deviceList->count() - 1; index > 0; --index) {
        if (m_deviceList->itemData(index, ABSENT_DEVICE_ROLE).toBool())
            m_deviceList->removeItem(index);
    }
    if (stored.empty()) {
        m_deviceList->setCurrentIndex(0);
        return;
    }
    // The listed devices (after "Default") are matched ignoring case.
    const QString name = QString::fromStdString(stored);
    int index = -1;
    for (int item = 1; item < m_deviceList->count() && index < 0; ++item) {
        if (m_deviceList->itemText(item).compare(name, Qt::CaseInsensitive) == 0)
            index = item;
    }
    if (index < 0) {
        // A device that is not there now (not plugged in yet, the sound server late) stays the
        // player's device unless the user picks another one: "Default" would be another zone.
        m_deviceList->addItem(name + QStringLiteral(" (not connected)"), name);
        index = m_deviceList->count() - 1;
        m_deviceList->setItemData(index, true, ABSENT_DEVICE_ROLE);
    }
    m_deviceList->setCurrentIndex(index);
}

void CPlayerSettingDlg::TakeValues(int player)
{
    players::PlayerSetting& setting = m_working[static_cast<std::size_t>(player)];
    setting.Name = m_name->text().left(NAME_LENGTH_MAX).toStdString();
    setting.Device = m_deviceList->currentIndex() <= 0
        ? std::string()
        : m_deviceList->currentData(DEVICE_NAME_ROLE).toString().toStdString();
    setting.Volume = m_panel->GetSliderPos(ITEM_VOLUME);
    setting.Amplify = static_cast<float>(m_panel->GetSliderPos(ITEM_AMPLIFY)) / 10.0F;
    switch (m_channelList->currentIndex()) {
    case CHANNEL_LEFT:
        setting.Balance = -BALANCE_FULL;
        break;
    case CHANNEL_RIGHT:
        setting.Balance = BALANCE_FULL;
        break;
    default:
        setting.Balance = 0;
        break;
    }
    if (m_duckList->currentIndex() != m_shownDuckIndex)
        setting.DuckDb = m_duckList->currentData().toInt();
    const SkinItem* loudness = m_panel->FindItem(ITEM_EVEN_LOUDNESS);
    setting.EvenLoudness = loudness != nullptr && (loudness->state & ITEMSTATE_CHECKED) != 0;
}

void CPlayerSettingDlg::OnPlayerSelected(int index)
{
    if (index < 0 || index >= PLAYER_COUNT || index == m_shown)
        return;
    TakeValues(m_shown);
    m_shown = index;
    ShowValues(m_shown);
}

int CPlayerSettingDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender != BAR_ID || info.item == nullptr)
        return CBaseDialog::OnItemClick(info);
    const auto takeAndAccept = [this] {
        TakeValues(m_shown);
        accept();
    };
    if (dialogpanes::ClickOkCancel(*this, info.item->id, takeAndAccept))
        return 1;
    if (info.item->id != ITEM_RESET)
        return 0;
    m_working = m_initial;
    ShowValues(m_shown);
    return 1;
}
