#pragma once

#include "dialogs/DialogPanes.h"
#include "dialogs/PlayerSettingWnd.h"
#include "players/PlayerSetting.h"
#include "skin/BaseDialog.h"

#include <array>
#include <memory>
#include <string>

class CBaseWnd;
class CKVComboBox;
class IAudioDeviceList;
class QLineEdit;

// Edits the output settings of all eight players on a private copy; the caller takes the working
// records over only when the dialog ends with OK.
class CPlayerSettingDlg : public CBaseDialog {
public:
    static constexpr int PLAYER_COUNT = 8;
    static constexpr int NAME_LENGTH_MAX = 259;
    using Settings = std::array<players::PlayerSetting, PLAYER_COUNT>;

    static constexpr int PANEL_ID = 110;
    static constexpr int BAR_ID = 111;
    // Items of the bar.
    static constexpr int ITEM_CANCEL = dialogpanes::BAR_ITEM_CANCEL;
    static constexpr int ITEM_OK = dialogpanes::BAR_ITEM_OK;
    static constexpr int ITEM_RESET = 3;
    // Sliders of the panel.
    static constexpr int ITEM_VOLUME = 20;
    static constexpr int ITEM_AMPLIFY = 21;
    static constexpr int ITEM_EVEN_LOUDNESS = 22;

    // The skin and the device list are not owned and must outlive the dialog; currentPlayer is the
    // player shown first.
    CPlayerSettingDlg(QWidget* parent, CBaseSkin* skin, const Settings& settings, IAudioDeviceList* devices,
        int currentPlayer);
    ~CPlayerSettingDlg() override;

    [[nodiscard]] const Settings& Working() const { return m_working; }
    [[nodiscard]] int ShownPlayer() const { return m_shown; }

    [[nodiscard]] CKVComboBox* PlayerIdList() const { return m_playerIds.get(); }
    [[nodiscard]] QLineEdit* NameEdit() const { return m_name.get(); }
    [[nodiscard]] CKVComboBox* DeviceList() const { return m_deviceList.get(); }
    [[nodiscard]] CKVComboBox* ChannelList() const { return m_channelList.get(); }
    // The dB by which the shown player lowers the others on its device: "0" (off) or 6 to 30.
    [[nodiscard]] CKVComboBox* DuckList() const { return m_duckList.get(); }
    [[nodiscard]] CPlayerSettingWnd* Panel() const { return m_panel.get(); }
    [[nodiscard]] CBaseWnd* Bar() const { return m_bar.get(); }

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    void FillDeviceList();
    void ShowValues(int player);
    // Selects the stored device, giving a device that is not connected an entry of its own.
    void ShowDevice(const std::string& stored);
    void TakeValues(int player);
    void OnPlayerSelected(int index);

    Settings m_initial;
    Settings m_working;
    IAudioDeviceList* m_devices = nullptr;
    int m_shown = 0;
    // Where the shown player's reduction was shown; the list may only approximate a stored value,
    // which is kept unless another entry is picked.
    int m_shownDuckIndex = 0;
    // The panel and bar before the controls they hold, so that the controls go first.
    std::unique_ptr<CPlayerSettingWnd> m_panel;
    std::unique_ptr<CBaseWnd> m_bar;
    std::unique_ptr<CKVComboBox> m_playerIds;
    std::unique_ptr<QLineEdit> m_name;
    std::unique_ptr<CKVComboBox> m_deviceList;
    std::unique_ptr<CKVComboBox> m_channelList;
    std::unique_ptr<CKVComboBox> m_duckList;
};
