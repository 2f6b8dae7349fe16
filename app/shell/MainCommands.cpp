#include "shell/MainCommands.h"

#include "shell/panes/MainPanes.h"
#include "skin/MenuEx.h"

#include <QAction>

#include <initializer_list>

namespace {

// A menu entry; a command of 0 is a separator.
struct Entry {
    int command = 0;
    const char* text = nullptr;
    bool checkable = false;
};

constexpr Entry SEPARATOR {};

// The list commands and the play commands: the main menu's Edit and Play, and together the list's
// context menu.
constexpr std::initializer_list<Entry> EDIT_ENTRIES = { { ID_ADD_FILES, "Add New Files" },
    { ID_REMOVE_SELECTED, "Remove Selected Items" }, { ID_CLEAR_ITEMS, "Clear Selected Items" },
    { ID_MOVE_UP, "Move Up Selected Items" }, { ID_MOVE_DOWN, "Move Down Selected Items" }, SEPARATOR,
    { ID_SET_BEGIN_TIME, "Set Selected Item's Begin Time" }, SEPARATOR,
    { ID_START_PLAYER_TIMER, "Start Current Player's Timer" },
    { ID_STOP_PLAYER_TIMER, "Stop Current Player's Timer" } };
constexpr std::initializer_list<Entry> PLAY_ENTRIES = { { ID_PLAY_PAUSE, "Play/Pause" }, { ID_STOP, "Stop" },
    SEPARATOR, { ID_PLAY_PREVIOUS, "Play Previous File" }, { ID_PLAY_NEXT, "Play Next File" } };

void AddEntries(
    CMenuEx& menu, std::initializer_list<Entry> entries, QObject* context, const CommandRunner& run)
{
    for (const Entry& entry : entries) {
        if (entry.command == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
        action->setCheckable(entry.checkable);
        const int command = entry.command;
        QObject::connect(action, &QAction::triggered, context, [run, command] { run(command); });
    }
}

} // namespace

int CommandOfPaneItem(int paneId, int itemId)
{
    switch (paneId) {
    case TOOLBAR_WND_ID:
        switch (itemId) {
        case 1:
            return ID_SCHEDULE_POLICY;
        case 2:
            return ID_EXPORT_LIST;
        case 3:
            return ID_IMPORT_LIST;
        case 4:
            return ID_PLAYER_SETTING;
        case 5:
            return ID_START_ALL_TIMERS;
        case 6:
            return ID_STOP_ALL_TIMERS;
        default:
            return 0;
        }
    case LISTEDIT_WND_ID:
        switch (itemId) {
        case 1:
            return ID_ADD_FILES;
        case 2:
            return ID_REMOVE_SELECTED;
        case 3:
            return ID_MOVE_UP;
        case 4:
            return ID_MOVE_DOWN;
        case 5:
            return ID_CLEAR_ITEMS;
        case 6:
            return ID_START_PLAYER_TIMER;
        case 7:
            return ID_STOP_PLAYER_TIMER;
        case 8:
            return ID_SET_BEGIN_TIME;
        default:
            return 0;
        }
    case PLAYCTRL_WND_ID:
        switch (itemId) {
        case 1:
            return ID_PLAY_PAUSE;
        case 2:
            return ID_STOP;
        case 3:
            return ID_PLAY_PREVIOUS;
        case 4:
            return ID_PLAY_NEXT;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

std::unique_ptr<CMenuEx> CreateMainMenu(CBaseSkin* skin, QObject* context, const CommandRunner& run)
{
    auto menu = std::make_unique<CMenuEx>(skin);
    AddEntries(*menu->AddSubMenu(QStringLiteral("File")),
        { { ID_PLAYER_SETTING, "Player Setting" }, { ID_SCHEDULE_POLICY, "Schedule Policy" }, SEPARATOR,
            { ID_EXPORT_LIST, "Export List" }, { ID_IMPORT_LIST, "Import List" }, SEPARATOR,
            { ID_START_ALL_TIMERS, "Start All Timer" }, { ID_STOP_ALL_TIMERS, "Stop All Timer" },
            { ID_START_WITH_SESSION, "Start With Desktop Session", true }, SEPARATOR,
            { ID_EXIT_SYSTEM, "Exit System" } },
        context, run);
    AddEntries(*menu->AddSubMenu(QStringLiteral("Edit")), EDIT_ENTRIES, context, run);
    AddEntries(*menu->AddSubMenu(QStringLiteral("Play")), PLAY_ENTRIES, context, run);
    AddEntries(*menu->AddSubMenu(QStringLiteral("Help")),
        { { ID_HELP_TOPIC, "Help Topic" }, { ID_ONLINE_HELP, "Online Help" },
            { ID_OPEN_LOG_FOLDER, "Open Log Folder" }, SEPARATOR, { ID_VISIT_HOMEPAGE, "Visit Homepage" },
            { ID_CHECK_FOR_UPDATE, "Check For Update" }, SEPARATOR, { ID_ABOUT, "About..." } },
        context, run);
    return menu;
}

void ShowMenuCommand(QMenu& menu, int command, bool shown)
{
    if (QAction* action = FindCommandAction(menu, command))
        action->setVisible(shown);
}

std::unique_ptr<CMenuEx> CreateListMenu(CBaseSkin* skin, QObject* context, const CommandRunner& run)
{
    auto menu = std::make_unique<CMenuEx>(skin);
    AddEntries(*menu, EDIT_ENTRIES, context, run);
    menu->addSeparator();
    AddEntries(*menu, PLAY_ENTRIES, context, run);
    return menu;
}

QAction* FindCommandAction(QMenu& menu, int command)
{
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            if (QAction* found = FindCommandAction(*action->menu(), command))
                return found;
        } else if (!action->isSeparator() && action->data().toInt() == command) {
            return action;
        }
    }
    return nullptr;
}
