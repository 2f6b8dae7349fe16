// The main window's commands, from the main menu, the list menu and the panes' buttons: one table
// from a command id to what runs it, and the handlers that open a dialog or ask the user.

#include "shell/TessalyDlg.h"

#include "dialogs/AudioDeviceList.h"
#include "dialogs/KVAboutDlg.h"
#include "dialogs/LoadFileDlg.h"
#include "dialogs/PlayerSettingDlg.h"
#include "dialogs/ProgramDlg.h"
#include "dialogs/SetTimeDlg.h"
#include "dialogs/VersionUpdateDlg.h"
#include "players/MessageSink.h"
#include "players/PlayerController.h"
#include "players/TimerScheduler.h"
#include "shell/Autostart.h"
#include "shell/MainCommands.h"
#include "shell/ShellPrompts.h"
#include "skin/MenuEx.h"
#include "storage/ProgramListFile.h"
#include "update/KVVersionUpdate.h"
#include "update/VersionNumber.h"

#include "control/Sonarel.h"

#include <QAction>
#include <QUrl>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr std::string_view HELP_FILE_NAME = "Tessaly.html";

} // namespace

const CTessalyDlg::Command* CTessalyDlg::FindCommand(int id)
{
    // Commands that change the players or their lists are followed by a save.
    static const Command commands[] = {
        { ID_PLAYER_SETTING, [](CTessalyDlg& w) { w.OnPlayerSetting(); }, true },
        { ID_SCHEDULE_POLICY, [](CTessalyDlg& w) { w.OnSchedulePolicy(); }, true },
        { ID_EXPORT_LIST, [](CTessalyDlg& w) { w.OnExportList(); }, false },
        { ID_IMPORT_LIST, [](CTessalyDlg& w) { w.OnImportList(); }, true },
        { ID_START_ALL_TIMERS, [](CTessalyDlg& w) { w.m_scheduler->StartAllTimers(); }, true },
        { ID_STOP_ALL_TIMERS, [](CTessalyDlg& w) { w.m_scheduler->StopAllTimers(); }, true },
        { ID_EXIT_SYSTEM, [](CTessalyDlg& w) { w.done(QDialog::Accepted); }, false },
        // Adding files saves by itself, after the files are measured.
        { ID_ADD_FILES, [](CTessalyDlg& w) { w.AddFiles(w.Prompts().AskAudioFiles(&w)); }, false },
        { ID_REMOVE_SELECTED, [](CTessalyDlg& w) { w.CurrentList().RemoveSelected(); }, true },
        { ID_CLEAR_ITEMS, [](CTessalyDlg& w) { w.OnClearItems(); }, true },
        { ID_MOVE_UP, [](CTessalyDlg& w) { w.CurrentList().MoveSelectedUp(); }, true },
        { ID_MOVE_DOWN, [](CTessalyDlg& w) { w.CurrentList().MoveSelectedDown(); }, true },
        { ID_SET_BEGIN_TIME, [](CTessalyDlg& w) { w.OnSetBeginTime(); }, true },
        { ID_START_PLAYER_TIMER, [](CTessalyDlg& w) { w.m_scheduler->StartCurrentPlayerTimer(); }, true },
        { ID_STOP_PLAYER_TIMER, [](CTessalyDlg& w) { w.m_scheduler->StopCurrentPlayerTimer(); }, true },
        { ID_PLAY_PAUSE, [](CTessalyDlg& w) { w.m_controller->PlayPauseCurrent(); }, false },
        { ID_STOP, [](CTessalyDlg& w) { w.m_controller->StopCurrent(); }, false },
        { ID_PLAY_PREVIOUS, [](CTessalyDlg& w) { w.m_controller->PreviousCurrent(); }, false },
        { ID_PLAY_NEXT, [](CTessalyDlg& w) { w.m_controller->NextCurrent(); }, false },
        { ID_HELP_TOPIC, [](CTessalyDlg& w) { w.OnHelpTopic(); }, false },
        { ID_OPEN_LOG_FOLDER, [](CTessalyDlg& w) { w.OnOpenLogFolder(); }, false },
        { ID_ONLINE_HELP, [](CTessalyDlg& w) { w.OpenAddress(w.m_env.SupportUrl); }, false },
        { ID_VISIT_HOMEPAGE, [](CTessalyDlg& w) { w.OpenAddress(w.m_env.HomeUrl); }, false },
        { ID_CHECK_FOR_UPDATE, [](CTessalyDlg& w) { w.OnCheckForUpdate(); }, false },
        { ID_ABOUT, [](CTessalyDlg& w) { w.OnAbout(); }, false },
        { ID_START_WITH_SESSION, [](CTessalyDlg& w) { w.OnToggleAutostart(); }, false },
    };
    for (const Command& command : commands) {
        if (command.Id == id)
            return &command;
    }
    return nullptr;
}

void CTessalyDlg::RunCommand(int command)
{
    if (!m_controller)
        return;
    const Command* entry = FindCommand(command);
    if (entry == nullptr)
        return;
    entry->Run(*this);
    if (entry->ChangesSetup)
        ScheduleSave();
}

void CTessalyDlg::OpenAddress(const std::string& address)
{
    if (!address.empty())
        Prompts().OpenUrl(QUrl(QString::fromStdString(address)));
}

void CTessalyDlg::OnPlayerSetting()
{
    CPlayerSettingDlg::Settings settings;
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        settings[static_cast<std::size_t>(player)] = m_players.Slot(player).Setting;
    CSonarelDeviceList devices(*m_control);
    CPlayerSettingDlg dialog(this, Skin(), settings, &devices, CurrentPlayer());
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        const players::PlayerSetting& changed = dialog.Working()[static_cast<std::size_t>(player)];
        players::PlayerSlot& slot = m_players.Slot(player);
        if (changed.Name != slot.Setting.Name)
            m_panes.playerPanel->SetItemText(player, QString::fromStdString(changed.Name));
        slot.Setting = changed;
        m_controller->ApplySettings(player);
    }
    m_controller->CheckDevices(false);
    RequestLoudness();
}

void CTessalyDlg::OnSchedulePolicy()
{
    players::PlayerSlot& slot = m_players.Slot(CurrentPlayer());
    CProgramDlg dialog(this, Skin(), &slot.Policy);
    if (dialog.exec() != QDialog::Accepted)
        return;
    slot.Policy = dialog.Policy();
    m_controller->RefreshStatus(CurrentPlayer());
}

void CTessalyDlg::OnExportList()
{
    const QString path = Prompts().AskExportPath(this);
    if (path.isEmpty())
        return;
    if (storage::ExportProgramList(CurrentList(), path.toStdString()))
        Messages().ShowMessage(
            "Program export successful!", players::MESSAGE_CAPTION, players::MessageIcon::Information);
    else
        Messages().ShowMessage(
            "Program export failed!", players::MESSAGE_CAPTION, players::MessageIcon::Error);
}

void CTessalyDlg::OnImportList()
{
    const QString path = Prompts().AskImportPath(this);
    if (path.isEmpty())
        return;
    CLoadFileDlg progress(Skin(), this);
    int notFound = 0;
    const bool imported
        = storage::ImportProgramList(path.toStdString(), CurrentList(), *m_control, progress, &notFound);
    progress.Hide();
    if (imported) {
        RegroupCurrentList();
        RequestLoudness(CurrentPlayer());
        std::string message = "Program import successful!";
        if (notFound > 0)
            message += "\n" + std::to_string(notFound) + (notFound == 1 ? " file was" : " files were")
                + " not found.";
        Messages().ShowMessage(message, players::MESSAGE_CAPTION, players::MessageIcon::Information);
    } else {
        Messages().ShowMessage(
            "Program import failed!", players::MESSAGE_CAPTION, players::MessageIcon::Error);
    }
}

void CTessalyDlg::OnClearItems()
{
    if (Messages().AskYesNo("Are you sure to clear all file?", players::MESSAGE_CAPTION))
        CurrentList().ClearAll();
}

void CTessalyDlg::OnSetBeginTime()
{
    players::PlayList& list = CurrentList();
    const int row = list.FirstSelectedRow();
    if (row < 0) {
        Messages().ShowMessage(
            "No selected item", players::MESSAGE_CAPTION, players::MessageIcon::Information);
        return;
    }
    CSetTimeDlg dialog(this, Skin(), list.BeginTimeOf(row), list.EarliestBeginOf(row));
    if (dialog.exec() != QDialog::Accepted)
        return;
    (void)list.SetBeginTime(row, dialog.Result());
}

void CTessalyDlg::OnHelpTopic()
{
    const std::string path = m_env.ProgramFolder + std::string(HELP_FILE_NAME);
    // Only a file that is there but may not be read goes to the handler, which then says why.
    if (::access(path.c_str(), F_OK) != 0 && errno != EACCES) {
        Messages().ShowMessage("Can not find the help file \"" + path + "\"", players::MESSAGE_CAPTION,
            players::MessageIcon::Error);
        return;
    }
    Prompts().OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CTessalyDlg::OnOpenLogFolder()
{
    const std::string folder = LogFolder();
    if (folder.empty())
        return;
    Prompts().OpenUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void CTessalyDlg::OnCheckForUpdate()
{
    CVersionUpdateDlg dialog(m_checker.get(), Skin(), CURRENT_MAJOR_ID, CURRENT_MINOR_ID, 0, 0, {}, this);
    dialog.exec();
}

void CTessalyDlg::OnToggleAutostart()
{
    const bool enable = !AutostartEnabled(m_env.AutostartEntry);
    if (!SetAutostart(m_env.AutostartEntry, enable, m_env.ProgramPath))
        Messages().ShowMessage("Can not " + std::string(enable ? "write" : "remove")
                + " the autostart entry \"" + m_env.AutostartEntry + "\"",
            players::MESSAGE_CAPTION, players::MessageIcon::Error);
    ShowAutostartState();
}

void CTessalyDlg::ShowAutostartState()
{
    if (!m_mainMenu)
        return;
    if (QAction* action = FindCommandAction(*m_mainMenu, ID_START_WITH_SESSION))
        action->setChecked(AutostartEnabled(m_env.AutostartEntry));
}

void CTessalyDlg::OnAbout()
{
    CKVAboutDlg dialog(Skin(), this);
    dialog.SetLinks(QString::fromStdString(m_env.SupportUrl), QString::fromStdString(m_env.HomeUrl));
    dialog.exec();
}
