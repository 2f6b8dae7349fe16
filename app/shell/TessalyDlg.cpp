#include "shell/TessalyDlg.h"

#include "dialogs/LoadFileDlg.h"
#include "dialogs/VersionUpdateDlg.h"
#include "persist/ConfigLocation.h"
#include "persist/ModuleDirectory.h"
#include "players/AsRunLog.h"
#include "players/MessageSink.h"
#include "players/PlayerController.h"
#include "players/SecondTicker.h"
#include "players/TimerScheduler.h"
#include "shell/AudioFileTypes.h"
#include "shell/Autostart.h"
#include "shell/MainCommands.h"
#include "shell/MessageBoxSink.h"
#include "shell/ShellPrompts.h"
#include "skin/CaptionWnd.h"
#include "skin/KVListCtrl.h"
#include "skin/KVSkin.h"
#include "skin/MenuEx.h"
#include "skin/PlayListModel.h"
#include "skin/QtText.h"
#include "update/KVVersionUpdate.h"
#include "update/UpdateAddresses.h"
#include "update/UpdateHandoff.h"
#include "update/VersionNumber.h"

#include "control/Sonarel.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <cstdio>
#include <ctime>

namespace {

constexpr std::string_view PROGRAM_TITLE = "Tessaly";

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

CTessalyDlg::Environment CTessalyDlg::DefaultEnvironment()
{
    Environment environment;
    environment.ConfigPath = persist::ConfigurationPath();
    environment.ProgramFolder = persist::ModuleDirectory();
    environment.VersionUrl = std::string(UPDATE_VERSION_URL);
    environment.SupportUrl = std::string(ABOUT_SUPPORT_URL);
    environment.HomeUrl = std::string(ABOUT_HOME_URL);
    environment.AutostartEntry = AutostartEntryPath();
    environment.MeasureLoudness = [](const std::string& path, sonarel::LoudnessMeasurement* measurement,
                                      const std::atomic<bool>* cancel) {
        return sonarel::MeasureLoudness(path.c_str(), measurement, cancel);
    };
    if (const std::string cache = persist::UserCacheFolder(); !cache.empty())
        environment.LoudnessCache = cache + "loudness.cache";
    environment.ProgramPath
        = environment.ProgramFolder.empty() ? std::string() : environment.ProgramFolder + "Tessaly";
    environment.CreateControl
        = [](sonarel::ISonarelEvents* events) { return sonarel::CreateSonarel(events); };
    return environment;
}

CTessalyDlg::CTessalyDlg(CBaseSkin* skin, Environment environment, QWidget* parent)
    : CBaseDialog(TEMPLATE_ID, skin, parent)
    , m_env(std::move(environment))
{
    SetCaptionFlags(CAPTION_CLOSE | CAPTION_MAXIMIZE | CAPTION_MINIMIZE | CAPTION_MAINMENU | CAPTION_LOGO);
    setMinimumSize(MIN_WIDTH, MIN_HEIGHT);
    resize(START_WIDTH, START_HEIGHT);
    setAcceptDrops(true);
    // A main window, not a transient dialog: it has its own taskbar entry and can be minimised.
    setWindowFlag(Qt::Window);
    m_checker = std::make_unique<CKVVersionUpdate>(FolderOf(m_env.ConfigPath), m_env.VersionUrl);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SAVE_DELAY_MS);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { SaveConfiguration(); });
    m_startupTimer.setSingleShot(true);
    m_startupTimer.setInterval(STARTUP_DELAY_MS);
    connect(&m_startupTimer, &QTimer::timeout, this, [this] { OnStartupTimer(); });
    // Coarse timers may stretch a second by 5 %: the clock would skip a second now and then.
    m_clockTimer.setTimerType(Qt::PreciseTimer);
    m_clockTimer.setInterval(CLOCK_PERIOD_MS);
    connect(&m_clockTimer, &QTimer::timeout, this, [this] { OnSecondTick(); });
}

CTessalyDlg::~CTessalyDlg()
{
    Shutdown();
    // The checker's workers may be waiting for this window; stop them before anything they could
    // reach goes.
    m_checker.reset();
    if (m_controller)
        m_controller->SetLoudnessGains(nullptr);
    m_loudness.reset();
    m_relay.SetTarget(nullptr);
    m_mainMenu.reset();
    m_listMenu.reset();
    m_panes.toolBar.reset();
    m_panes.statusBar.reset();
    m_panes.playerPanel.reset();
    m_panes.fileList.reset();
    m_panes.listEditBar.reset();
    m_panes.playCtrlBar.reset();
}

bool CTessalyDlg::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(ToQString(PROGRAM_TITLE));
    if (!CreateMainPanes(*this, Skin(), m_panes))
        return false;
    if (const QImage* logo = m_panes.toolBar->GetSkinImage(CKVSkin::IMAGE_LOGO))
        setWindowIcon(QIcon(QPixmap::fromImage(*logo)));

    m_control = m_env.CreateControl ? m_env.CreateControl(&m_relay) : nullptr;
    if (!m_control)
        return false;
    players::IPlayerView& view = *this;
    players::IPoster& poster = *this;
    players::IPlayerTimers& timers = *this;
    const players::IClock& clock = m_env.Clock != nullptr ? *m_env.Clock : m_systemClock;
    m_log = std::make_unique<players::AsRunLog>(m_players, clock, LogFolder(), stderr);
    m_controller = std::make_unique<players::PlayerController>(
        m_players, *m_control, view, Messages(), poster, clock, *m_log);
    m_relay.SetTarget(m_controller.get());
    if (m_env.MeasureLoudness) {
        m_loudness = std::make_unique<players::LoudnessWorker>(
            m_env.MeasureLoudness, m_env.LoudnessCache, [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        m_loudnessProgress = done < total
                            ? QStringLiteral("Measuring loudness %1/%2").arg(done).arg(total)
                            : QString();
                        ShowStatusMessage();
                    },
                    Qt::QueuedConnection);
            });
        m_controller->SetLoudnessGains(m_loudness.get());
    }
    m_scheduler = std::make_unique<players::TimerScheduler>(
        m_players, *m_controller, *m_control, timers, clock, Messages(), *m_log);

    if (!CreateLists())
        return false;
    const CommandRunner run = [this](int command) { RunCommand(command); };
    m_mainMenu = CreateMainMenu(Skin(), this, run);
    m_listMenu = CreateListMenu(Skin(), this, run);
    ShowMenuCommand(*m_mainMenu, ID_ONLINE_HELP, !m_env.SupportUrl.empty());
    ShowMenuCommand(*m_mainMenu, ID_VISIT_HOMEPAGE, !m_env.HomeUrl.empty());

    m_panes.fileList->SetList(m_lists[0].get());
    m_lists[0]->show();

    ReadConfigurationFile();
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        m_panes.playerPanel->SetItemText(player, QString::fromStdString(m_players.Slot(player).Setting.Name));
    for (const auto& list : m_lists)
        list->GroupBySegment();
    // Every player's panel item says from the start what keeps it from playing as set up.
    m_controller->CheckDevices(false);
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        m_controller->RefreshStatus(player);
    if (m_env.StartTimers)
        RestoreTimers();
    ShowAutostartState();
    RequestLoudness();

    ShowClock();
    if (m_env.AutomaticUpdateCheck)
        m_startupTimer.start();
    StartSecondTick();
    return true;
}

std::string CTessalyDlg::LogFolder() const
{
    return FolderOf(m_env.ConfigPath);
}

void CTessalyDlg::StartSecondTick()
{
    m_ticker = std::make_unique<players::SecondTicker>();
    if (!m_ticker->Valid()) {
        std::fprintf(stderr, "Tessaly: no timer descriptor; the timers tick every second from now on\n");
        m_clockTimer.start();
        return;
    }
    m_tickNotifier = std::make_unique<QSocketNotifier>(m_ticker->Fd(), QSocketNotifier::Read);
    connect(m_tickNotifier.get(), &QSocketNotifier::activated, this, [this] {
        if (m_ticker->Acknowledge() == players::SecondTicker::Event::None)
            return;
        OnSecondTick();
        // A ticker that could not be armed again after a change of the clock hands over to the timer.
        if (!m_ticker->Valid()) {
            m_tickNotifier.reset();
            m_clockTimer.start();
        }
    });
}

void CTessalyDlg::OnSecondTick()
{
    if (m_shutDown)
        return;
    // The rows first: their second has begun.
    if (m_scheduler)
        m_scheduler->Tick();
    ShowClock();
}

bool CTessalyDlg::CreateLists()
{
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        auto list = std::make_unique<CKVListCtrl>(Skin(), this);
        list->SetControlId(LIST_ID_BASE + player);
        list->SetPlayList(&m_players.Slot(player).List);
        list->SetEmptyText(QStringLiteral(
            "Add files with Add File, or drop them here. Choose each player's output with Player Setting."));
        list->hide();
        connect(list.get(), &CKVListCtrl::RowDoubleClicked, this, [this](int controlId, int row) {
            m_controller->PlayRowOnDoubleClick(controlId - LIST_ID_BASE, row);
        });
        connect(list.get(), &CKVListCtrl::RowRightClicked, this,
            [this](int, int, const QPoint& globalPos) { m_listMenu->popup(globalPos); });
        m_lists[static_cast<std::size_t>(player)] = std::move(list);
    }
    return true;
}

void CTessalyDlg::RecheckMissing()
{
    m_controller->CheckDevices(true);
    m_controller->RecheckMissingFiles();
}

void CTessalyDlg::ShowClock()
{
    const std::time_t now = m_env.Clock != nullptr ? m_env.Clock->Now() : m_systemClock.Now();
    std::tm local {};
    if (localtime_r(&now, &local) == nullptr)
        return;
    m_panes.statusBar->SetItemText(CStatusWnd::ITEM_CLOCK,
        QString::asprintf("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec));
    m_panes.statusBar->SetItemText(CStatusWnd::ITEM_DATE,
        QString::asprintf("%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    if (m_controller && ++m_clockTicks % RECHECK_PERIOD_SECONDS == 0)
        RecheckMissing();
}

void CTessalyDlg::OnStartupTimer()
{
    m_startupTimer.stop();
    (void)m_checker->Start(false, this);
}

void CTessalyDlg::OnUpdateResult(const UpdateResult& result, std::stop_token abandon)
{
    (void)HandOffAndWait(
        [this](std::function<void()> task) {
            QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
        },
        [this, &result] { OnUpdateFound(result); }, std::move(abandon));
}

void CTessalyDlg::OnUpdateFound(const UpdateResult& result)
{
    if (result.Ok == 0 || !IsNewerVersion(result.LatestMajor, result.LatestMinor) || m_shutDown)
        return;
    CVersionUpdateDlg dialog(m_checker.get(), Skin(), CURRENT_MAJOR_ID, CURRENT_MINOR_ID, result.LatestMajor,
        result.LatestMinor, QString::fromStdString(result.Description), this);
    dialog.exec();
}

void CTessalyDlg::done(int result)
{
    Shutdown();
    CBaseDialog::done(result);
}

void CTessalyDlg::CloseOnRequest()
{
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this;) {
        modal->close();
        QWidget* next = QApplication::activeModalWidget();
        // A box that refuses to close (no button to cancel it) is left; the window still ends.
        if (next == modal)
            break;
        modal = next;
    }
    QMetaObject::invokeMethod(
        this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
}

void CTessalyDlg::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_saveTimer.stop();
    SaveConfiguration();
    m_startupTimer.stop();
    m_clockTimer.stop();
    if (m_tickNotifier)
        m_tickNotifier->setEnabled(false);
    if (m_scheduler)
        m_scheduler->HaltAllTimers();
}

void CTessalyDlg::ShowStatusMessage()
{
    if (!m_panes.statusBar)
        return;
    m_panes.statusBar->SetItemText(CStatusWnd::ITEM_MESSAGE,
        !m_saveProblem.empty() ? QStringLiteral("Setup not saved: %1").arg(ToQString(m_saveProblem))
                               : m_loudnessProgress);
}

void CTessalyDlg::RequestLoudness(std::optional<int> onlyPlayer)
{
    if (!m_loudness)
        return;
    std::vector<std::string> paths;
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        const players::PlayerSlot& slot = m_players.Slot(player);
        if (!slot.Setting.EvenLoudness || (onlyPlayer && *onlyPlayer != player))
            continue;
        for (const players::PlayListEntry& row : slot.List.Rows())
            paths.push_back(row.Path);
    }
    if (!paths.empty())
        m_loudness->Request(paths);
}

int CTessalyDlg::CurrentPlayer() const
{
    return m_controller ? m_controller->CurrentPlayer() : 0;
}

CKVListCtrl* CTessalyDlg::List(int player) const
{
    return players::Players::IsPlayer(player) ? m_lists[static_cast<std::size_t>(player)].get() : nullptr;
}

players::PlayList& CTessalyDlg::CurrentList()
{
    return m_players.Slot(CurrentPlayer()).List;
}

players::IMessageSink& CTessalyDlg::Messages()
{
    if (m_env.Messages != nullptr)
        return *m_env.Messages;
    if (!m_messageBoxes)
        m_messageBoxes = std::make_unique<CMessageBoxSink>(this);
    return *m_messageBoxes;
}

IShellPrompts& CTessalyDlg::Prompts()
{
    return m_env.Prompts != nullptr ? *m_env.Prompts : PlatformPrompts();
}

int CTessalyDlg::OnItemNotify(int code, const ItemNotifyInfo& info)
{
    if (code == ITEMNOTIFY_SLIDER_CHANGED) {
        if (info.sender == PLAYCTRL_WND_ID && info.item != nullptr
            && info.item->id == CPlayCtrlWnd::ITEM_POSITION && info.item->Slider() != nullptr && m_controller)
            m_controller->SeekCurrent(info.item->Slider()->pos);
        return 0;
    }
    return CBaseDialog::OnItemNotify(code, info);
}

int CTessalyDlg::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender == CCaptionWnd::CAPTION_WND_ID)
        return CBaseDialog::OnItemClick(info);
    if (info.item == nullptr || !m_controller)
        return 0;
    if (info.sender == PLAYER_WND_ID) {
        if (players::Players::IsPlayer(info.item->id))
            m_controller->SelectPlayer(info.item->id);
        return 1;
    }
    const int command = CommandOfPaneItem(info.sender, info.item->id);
    if (command == 0)
        return 0;
    RunCommand(command);
    return 1;
}

void CTessalyDlg::OnMainMenuCommand()
{
    CCaptionWnd* caption = Caption();
    if (caption == nullptr || !m_mainMenu)
        return;
    const SkinItem* button = caption->FindItem(CCaptionWnd::ITEM_MAINMENU);
    const QPoint corner = button != nullptr ? QPoint(button->rect.left, button->rect.bottom) : QPoint(0, 0);
    m_mainMenu->popup(caption->mapToGlobal(corner));
}

void CTessalyDlg::AddFiles(const QStringList& paths)
{
    if (paths.isEmpty() || !m_controller)
        return;
    CLoadFileDlg dialog(
        Skin(), paths, [this](const QString& path) { (void)m_controller->AddFile(path.toStdString()); },
        this);
    dialog.exec();
    RegroupCurrentList();
    ScheduleSave();
    RequestLoudness(CurrentPlayer());
}

void CTessalyDlg::DropFiles(const QStringList& paths)
{
    std::vector<std::string> dropped;
    dropped.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        dropped.push_back(path.toStdString());
    QStringList kept;
    for (const std::string& path : AcceptedAudioFiles(dropped))
        kept.push_back(QString::fromStdString(path));
    AddFiles(kept);
}

void CTessalyDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CTessalyDlg::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile());
    }
    event->acceptProposedAction();
    // The drop is finished before the load window runs its own loop.
    QMetaObject::invokeMethod(
        this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
}

void CTessalyDlg::RegroupCurrentList()
{
    m_lists[static_cast<std::size_t>(CurrentPlayer())]->GroupBySegment();
}
