#pragma once

#include <functional>
#include <memory>

class CBaseSkin;
class CMenuEx;
class QAction;
class QMenu;
class QObject;

// The main window's commands; menus and pane buttons both run them by these ids.
enum MainCommand : int {
    ID_PLAYER_SETTING = 32799,
    ID_SCHEDULE_POLICY = 32800,
    ID_EXPORT_LIST = 32801,
    ID_IMPORT_LIST = 32802,
    ID_START_ALL_TIMERS = 32803,
    ID_STOP_ALL_TIMERS = 32804,
    ID_EXIT_SYSTEM = 32805,
    ID_ADD_FILES = 32806,
    ID_REMOVE_SELECTED = 32807,
    ID_CLEAR_ITEMS = 32808,
    ID_MOVE_UP = 32809,
    ID_MOVE_DOWN = 32810,
    ID_SET_BEGIN_TIME = 32811,
    ID_START_PLAYER_TIMER = 32812,
    ID_STOP_PLAYER_TIMER = 32813,
    ID_PLAY_PAUSE = 32814,
    ID_STOP = 32816,
    ID_PLAY_PREVIOUS = 32817,
    ID_PLAY_NEXT = 32818,
    ID_HELP_TOPIC = 32819,
    ID_ONLINE_HELP = 32820,
    ID_VISIT_HOMEPAGE = 32823,
    ID_CHECK_FOR_UPDATE = 32824,
    ID_ABOUT = 32825,
    // A checked entry while the desktop session starts the program.
    ID_START_WITH_SESSION = 32826,
    // Opens the folder of the as-run log files in the desktop's file manager.
    ID_OPEN_LOG_FOLDER = 32827,
};

// The command of a pane button, by the pane's id and the button's item id; 0 for none.
[[nodiscard]] int CommandOfPaneItem(int paneId, int itemId);

// Runs a command by its id.
using CommandRunner = std::function<void(int command)>;

// The menus carry each command's id as its action's data, and choosing an action calls run with it
// for as long as context lives.
// The main popup menu: File, Edit, Play and Help. "Start With Desktop Session" is checkable.
[[nodiscard]] std::unique_ptr<CMenuEx> CreateMainMenu(
    CBaseSkin* skin, QObject* context, const CommandRunner& run);
// The play list's context menu.
[[nodiscard]] std::unique_ptr<CMenuEx> CreateListMenu(
    CBaseSkin* skin, QObject* context, const CommandRunner& run);
// The action of a command in the menu or its submenus; nullptr when it has none.
[[nodiscard]] QAction* FindCommandAction(QMenu& menu, int command);
// Shows or hides the command's entry in the menu and its submenus.
void ShowMenuCommand(QMenu& menu, int command, bool shown);
