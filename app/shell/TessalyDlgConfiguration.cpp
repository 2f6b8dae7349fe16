// Keeping the main window's configuration: read once at the start (keeping a copy of a file that
// would lose rows), written shortly after every change and at the end, and a failed write reported
// once.

#include "shell/TessalyDlg.h"

#include "dialogs/LoadFileDlg.h"
#include "players/PlayerController.h"
#include "players/TimerScheduler.h"
#include "storage/ConfigurationFile.h"

#include "control/Sonarel.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

void CTessalyDlg::ReadConfigurationFile()
{
    if (m_env.ConfigPath.empty())
        return;
    std::error_code error;
    if (std::filesystem::exists(m_env.ConfigPath, error)) {
        CLoadFileDlg progress(Skin(), this);
        storage::ConfigurationReadReport report;
        const bool read
            = storage::ReadConfiguration(m_env.ConfigPath, m_players, *m_control, progress, &report);
        progress.Hide();
        if (read && report.DroppedRows > 0)
            KeepReadConfiguration(report.DroppedRows);
        if (!read) {
            // The defaults stay, but the file they will replace is kept for the user to look at.
            const std::string kept = m_env.ConfigPath + ".bad";
            std::filesystem::copy_file(
                m_env.ConfigPath, kept, std::filesystem::copy_options::overwrite_existing, error);
            std::fprintf(stderr, "Tessaly: cannot read the configuration file %s; %s\n",
                m_env.ConfigPath.c_str(),
                error ? "the defaults are used"
                      : ("the defaults are used, the file is kept as " + kept).c_str());
        }
    }
    m_configurationRead = true;
}

void CTessalyDlg::KeepReadConfiguration(int droppedRows)
{
    // Once per run, and before the first write: the rows cannot be kept in the list (nothing tells
    // how long they are), but the file that still names them must not be overwritten unseen.
    const std::string kept = m_env.ConfigPath + ".bak";
    std::error_code error;
    std::filesystem::copy_file(
        m_env.ConfigPath, kept, std::filesystem::copy_options::overwrite_existing, error);
    std::fprintf(stderr,
        "Tessaly: %d row(s) of %s name files that cannot be measured now and were not kept; %s\n",
        droppedRows, m_env.ConfigPath.c_str(),
        error ? ("the file could not be kept as " + kept + ": " + error.message()).c_str()
              : ("the file as read is kept as " + kept).c_str());
}

void CTessalyDlg::RestoreTimers()
{
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        if (m_players.Slot(player).TimerWanted)
            m_scheduler->StartPlayerTimer(player);
    }
}

void CTessalyDlg::ScheduleSave()
{
    if (!m_shutDown)
        m_saveTimer.start();
}

void CTessalyDlg::SaveConfiguration()
{
    // A window that never got as far as reading the file would replace the user's setup with the
    // defaults.
    if (!m_configurationRead)
        return;
    if (m_env.ConfigPath.empty())
        return;
    if (storage::WriteConfiguration(m_env.ConfigPath, m_players)) {
        ShowSaveProblem({});
        return;
    }
    // The setup stays in memory and the next change tries again; a file the administrator made
    // read-only is left as it is.
    const bool readOnly = ::access(m_env.ConfigPath.c_str(), W_OK) != 0 && errno != ENOENT;
    ShowSaveProblem(readOnly ? "the file is read-only" : "the file cannot be written");
}

void CTessalyDlg::ShowSaveProblem(const std::string& problem)
{
    if (problem == m_saveProblem)
        return;
    m_saveProblem = problem;
    if (!problem.empty())
        std::fprintf(stderr, "Tessaly: the configuration is not saved to %s: %s\n", m_env.ConfigPath.c_str(),
            problem.c_str());
    ShowStatusMessage();
}
