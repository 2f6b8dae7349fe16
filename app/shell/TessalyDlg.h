#pragma once

#include "players/Clock.h"
#include "players/LoudnessWorker.h"
#include "players/PlayerTimers.h"
#include "players/PlayerView.h"
#include "players/Players.h"
#include "players/Poster.h"
#include "players/SonarelEventRelay.h"
#include "shell/panes/MainPanes.h"
#include "skin/BaseDialog.h"
#include "update/UpdateReport.h"

#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace players {
class AsRunLog;
class IMessageSink;
class PlayerController;
class SecondTicker;
class TimerScheduler;
} // namespace players

class CKVListCtrl;
class CMenuEx;
class CVersionUpdate;
class IShellPrompts;

namespace sonarel {
class ISonarel;
class ISonarelEvents;
}

// The main window: the eight players with their lists, the panes that show and command them, the
// audio control, the players' timers, the as-run log and the update check. Its whole life is the
// program's: it reads the configuration when it is created and writes it when its run ends, however
// it ends, and also shortly after every command that changes the players.
//
// One tick just after every second of the wall clock (a SecondTicker on the event loop) runs the
// players' timers and then the status bar's clock.
//
// User-interface thread only; the update checker's worker reaches it through IUpdateReport.
class CTessalyDlg : public CBaseDialog,
                    private players::IPlayerView,
                    private players::IPlayerTimers,
                    private players::IPoster,
                    private IUpdateReport {
    Q_OBJECT

public:
    static constexpr int TEMPLATE_ID = 102;
    static constexpr int MIN_WIDTH = 492;
    static constexpr int MIN_HEIGHT = 420;
    static constexpr int START_WIDTH = 640;
    static constexpr int START_HEIGHT = 520;
    static constexpr int STARTUP_DELAY_MS = 100;
    static constexpr int CLOCK_PERIOD_MS = 1000;
    static constexpr int LIST_ID_BASE = 200;
    // How long after a change of the players the configuration is written.
    static constexpr int SAVE_DELAY_MS = 2000;
    // How often absent devices and missing files are looked for again, in clock ticks (seconds).
    static constexpr int RECHECK_PERIOD_SECONDS = 10;

    using ControlFactory = std::function<std::unique_ptr<sonarel::ISonarel>(sonarel::ISonarelEvents*)>;

    // Where the window finds what lies outside it. The defaults are the program's own; tests replace
    // the control, the prompts and the messages.
    struct Environment {
        // The configuration file, read at creation and written at the end.
        std::string ConfigPath;
        // The folder of the help file, ending with '/'.
        std::string ProgramFolder;
        // The version document of the update check; empty: no check.
        std::string VersionUrl;
        // The maker's support page and home page for the Help menu and the about box; the Help menu
        // leaves out an entry without its address.
        std::string SupportUrl;
        std::string HomeUrl;
        // Makes the audio control; it reports its events to the listener given.
        ControlFactory CreateControl;
        // Not owned; null: message boxes over the window.
        players::IMessageSink* Messages = nullptr;
        // Not owned; null: the platform's dialogs and default handler.
        IShellPrompts* Prompts = nullptr;
        // Not owned; null: the system clock.
        const players::IClock* Clock = nullptr;
        // Whether the window checks for a newer version shortly after it starts.
        bool AutomaticUpdateCheck = true;
        // Whether the timers that ran when the configuration was written start again; off for
        // maintenance (the stored timer states are kept for the next start unless changed).
        bool StartTimers = true;
        // The desktop session's autostart entry, and the program it starts.
        std::string AutostartEntry;
        std::string ProgramPath;
        // Measures a file's loudness for the players with even loudness; empty: no file is measured
        // (they play unchanged). The cache file keeps the results between runs; empty: none.
        players::LoudnessWorker::Meter MeasureLoudness;
        std::string LoudnessCache;
    };
    [[nodiscard]] static Environment DefaultEnvironment();

    // The skin is not owned and must outlive the window.
    CTessalyDlg(CBaseSkin* skin, Environment environment, QWidget* parent = nullptr);
    ~CTessalyDlg() override;
    CTessalyDlg(const CTessalyDlg&) = delete;
    CTessalyDlg& operator=(const CTessalyDlg&) = delete;

    // Runs a menu command by its id; unknown ids do nothing.
    void RunCommand(int command);
    // Measures and appends the files to the current player's list under the load file window, then
    // regroups the list.
    void AddFiles(const QStringList& paths);
    // Dropped paths: folders and files of other types are left out without a message.
    void DropFiles(const QStringList& paths);

    [[nodiscard]] players::Players& GetPlayers() { return m_players; }
    [[nodiscard]] int CurrentPlayer() const;
    [[nodiscard]] CKVListCtrl* List(int player) const;
    [[nodiscard]] const MainPaneSet& Panes() const { return m_panes; }
    [[nodiscard]] CMenuEx* MainMenu() const { return m_mainMenu.get(); }
    [[nodiscard]] CMenuEx* ListMenu() const { return m_listMenu.get(); }
    [[nodiscard]] sonarel::ISonarel* Control() const { return m_control.get(); }
    [[nodiscard]] players::TimerScheduler* Scheduler() const { return m_scheduler.get(); }
    // The folder of the as-run log files: the configuration's.
    [[nodiscard]] std::string LogFolder() const;
    [[nodiscard]] const Environment& Env() const { return m_env; }

    void done(int result) override;
    // Ends the window's run from outside (a termination signal): the dialogs open over it are
    // cancelled first, innermost first, so that their modal runs unwind, and the window ends once
    // they have.
    void CloseOnRequest();

protected:
    bool OnInitDialog() override;
    int OnItemNotify(int code, const ItemNotifyInfo& info) override;
    int OnItemClick(const ItemNotifyInfo& info) override;
    void OnMainMenuCommand() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // IPlayerView.
    void ShowPlayerStatus(int player, int imageId, std::string_view text) override;
    void MarkPlayerButton(int player, bool selected) override;
    void ShowPlayButton(int imageId) override;
    void ShowPosition(int percent) override;
    void ShowElapsed(std::string_view text) override;
    void ShowList(int player) override;
    void HideList(int player) override;
    void FocusList(int player) override;
    void ScrollToRow(int player, int row) override;
    // IPlayerTimers.
    [[nodiscard]] std::uint32_t Start(int player) override;
    void Stop(int player) override;
    // IPoster.
    void Post(std::function<void()> call) override;
    void PostAfter(int delayMs, std::function<void()> call) override;
    // IUpdateReport, on the checker's worker.
    void OnUpdateResult(const UpdateResult& result, std::stop_token abandon) override;

    // A menu or pane command: what runs it, and whether it changes what the configuration keeps.
    struct Command {
        int Id;
        void (*Run)(CTessalyDlg& window);
        bool ChangesSetup;
    };
    // The command with that id; null for an unknown id.
    [[nodiscard]] static const Command* FindCommand(int id);

    [[nodiscard]] bool CreateLists();
    void ReadConfigurationFile();
    // Keeps the file as read in "<file>.bak" before a write would lose rows of it.
    void KeepReadConfiguration(int droppedRows);
    // Starts the timers that were on when the configuration was written.
    void RestoreTimers();
    // Starts the tick of every second: on the wall clock's seconds when a timer descriptor can be
    // had, else every second from now.
    void StartSecondTick();
    void OnSecondTick();
    void ShowClock();
    void OnStartupTimer();
    void OnUpdateFound(const UpdateResult& result);
    // Writes the configuration soon: an unattended machine that loses power keeps what was set up.
    void ScheduleSave();
    void SaveConfiguration();
    // What ends the window's life, once: the configuration written, the timers stopped and the timed
    // players stopped.
    void Shutdown();

    // Every few seconds: whether absent devices and missing files have come back.
    void RecheckMissing();
    void ShowSaveProblem(const std::string& problem);
    // The status bar's message: a save problem first, else the loudness worker's progress.
    void ShowStatusMessage();
    // Asks the loudness worker for every file of the players with even loudness, or of the one player
    // whose list just grew.
    void RequestLoudness(std::optional<int> onlyPlayer = std::nullopt);
    void OnToggleAutostart();
    void ShowAutostartState();
    void OnPlayerSetting();
    void OnSchedulePolicy();
    void OnExportList();
    void OnImportList();
    void OnClearItems();
    void OnSetBeginTime();
    void OnHelpTopic();
    void OnOpenLogFolder();
    void OnCheckForUpdate();
    void OnAbout();
    // Opens a web address of the maker; an empty one (left out of the build) does nothing.
    void OpenAddress(const std::string& address);
    void RegroupCurrentList();
    [[nodiscard]] players::PlayList& CurrentList();
    [[nodiscard]] players::IMessageSink& Messages();
    [[nodiscard]] IShellPrompts& Prompts();

    Environment m_env;
    players::Players m_players;
    players::SonarelEventRelay m_relay;
    players::SystemClock m_systemClock;
    std::unique_ptr<players::IMessageSink> m_messageBoxes;
    std::unique_ptr<players::AsRunLog> m_log;
    std::unique_ptr<sonarel::ISonarel> m_control;
    std::unique_ptr<players::PlayerController> m_controller;
    std::unique_ptr<players::TimerScheduler> m_scheduler;
    std::array<std::unique_ptr<CKVListCtrl>, players::PLAYER_COUNT> m_lists;
    MainPaneSet m_panes;
    std::unique_ptr<CMenuEx> m_mainMenu;
    std::unique_ptr<CMenuEx> m_listMenu;
    std::unique_ptr<players::SecondTicker> m_ticker;
    std::unique_ptr<QSocketNotifier> m_tickNotifier;
    QTimer m_startupTimer;
    // Stands in for the ticker when no timer descriptor can be had.
    QTimer m_clockTimer;
    QTimer m_saveTimer;
    bool m_shutDown = false;
    // Set once the configuration file was read (or found missing); before, nothing is written.
    bool m_configurationRead = false;
    // What the last failed save said, so that it is told once and not at every retry.
    std::string m_saveProblem;
    // "Measuring loudness 37/1600" while the worker has files to look at.
    QString m_loudnessProgress;
    int m_clockTicks = 0;
    // Reports its progress to this window; the controller asks it for gains until the destructor
    // takes it from the controller.
    std::unique_ptr<players::LoudnessWorker> m_loudness;
    // Last, so that it goes first: its workers may still be reporting to this window.
    std::unique_ptr<CVersionUpdate> m_checker;
};
