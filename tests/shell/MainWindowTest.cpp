#include "ShellTestSupport.h"

#include "dialogs/EditingDialogSupport.h"
#include "dialogs/LoadFileDlg.h"
#include "shell/MainCommands.h"
#include "skin/CaptionWnd.h"
#include "skin/KVListCtrl.h"
#include "skin/MenuEx.h"
#include "skin/PlayListModel.h"
#include "storage/ProgramListFile.h"
#include "support_qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>

using shelltest::MainWindowRig;
using shelltest::ReadFile;

namespace {

// The height of a pane's place: its window lies 1 pixel inside it all round.
int Height(const QWidget* widget)
{
    return widget->geometry().height() + 2;
}

// Adds files to the current player's list the way the load file window does.
void AddRows(MainWindowRig& rig, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(QString::fromStdString(rig.MakeFile("tone" + std::to_string(i) + ".mp3")));
    rig.window->AddFiles(paths);
}

} // namespace

TEST(MainWindow, PanesKeepTheirHeightsAndTheFileListTakesTheRest)
{
    MainWindowRig rig;
    for (const QSize size : { QSize(492, 420), QSize(800, 600), QSize(1280, 960) }) {
        rig.Open(size.width(), size.height());
        const MainPaneSet& panes = rig.window->Panes();
        SCOPED_TRACE(size.width());
        EXPECT_EQ(rig.window->size(), size);
        EXPECT_EQ(Height(rig.window->Caption()), 30);
        EXPECT_EQ(Height(panes.toolBar.get()), 40);
        EXPECT_EQ(Height(panes.playerPanel.get()), 52);
        EXPECT_EQ(Height(panes.playCtrlBar.get()), 30);
        EXPECT_EQ(Height(panes.listEditBar.get()), 40);
        EXPECT_EQ(Height(panes.statusBar.get()), 26);
        EXPECT_EQ(Height(panes.fileList.get()), size.height() - 30 - 40 - 52 - 30 - 40 - 26);
        EXPECT_EQ(panes.toolBar->width() + 2, size.width());
        EXPECT_EQ(panes.statusBar->geometry().bottom() + 2, size.height());
        // The visible list lies on the file list pane.
        const QRect list = rig.window->List(0)->geometry();
        EXPECT_TRUE(panes.fileList->geometry().contains(list.center()));
    }
}

TEST(MainWindow, CannotBecomeSmallerThanItsMinimum)
{
    MainWindowRig rig;
    rig.Open();
    rig.window->resize(300, 200);
    EXPECT_EQ(rig.window->size(), QSize(492, 420));
}

TEST(MainWindow, StartsWithListZeroShownEveryListGroupedAndStoredNamesOnTheButtons)
{
    MainWindowRig rig;
    const std::string tone = rig.MakeFile("tone.wav");
    std::ofstream(rig.ConfigPath()) << "<KVConfig Version=\"1.0.0\">"
                                       "<Player ID=\"0\"><File Path=\""
            + tone
            + "\" BeginTime=\"08:00:00\"/></Player>"
              "<Player ID=\"2\" Name=\"Lobby\" Volume=\"80\">"
              "<File Path=\""
            + tone
            + "\" BeginTime=\"09:00:00\"/>"
              "<File Path=\""
            + tone
            + "\" BeginTime=\"10:00:00\"/></Player>"
              "</KVConfig>";
    rig.Open();
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        SCOPED_TRACE(player);
        EXPECT_EQ(rig.window->List(player)->isVisible(), player == 0);
        EXPECT_EQ(rig.window->List(player)->ControlId(), 200 + player);
    }
    // Lists with rows show them in segments; an empty list has none to show.
    EXPECT_TRUE(rig.window->List(0)->IsGroupView());
    ASSERT_EQ(rig.window->GetPlayers().Slot(2).List.RowCount(), 2);
    EXPECT_TRUE(rig.window->List(2)->IsGroupView());
    EXPECT_EQ(rig.window->List(2)->Model()->GroupCount(), 2);
    EXPECT_EQ(rig.window->Panes().playerPanel->FindItem(2)->text, QStringLiteral("Lobby"));
    EXPECT_EQ(rig.window->Panes().playerPanel->FindItem(1)->text, QStringLiteral("Player Two"));
    EXPECT_EQ(rig.window->windowTitle(), QStringLiteral("Tessaly"));
}

TEST(MainWindow, TheLoadWindowIsOnScreenWithEachFileWhileTheConfigurationIsRead)
{
    MainWindowRig rig;
    const std::string first = rig.MakeFile("morning/welcome.wav");
    const std::string second = rig.MakeFile("morning/news.wav");
    std::ofstream(rig.ConfigPath()) << "<KVConfig Version=\"1.0.0\"><Player ID=\"0\"><File Path=\"" + first
            + "\" BeginTime=\"08:00:00\"/><File Path=\"" + second
            + "\" BeginTime=\"09:00:00\"/></Player></KVConfig>";
    // What the screen shows of the load window while each file is measured: its line, and the
    // pixels of light text on it.
    struct Shown {
        QString line;
        int textPixels = 0;
    };
    std::vector<Shown> shown;
    CTessalyDlg::Environment environment = rig.Environment();
    environment.CreateControl
        = [&rig, &shown, create = environment.CreateControl](sonarel::ISonarelEvents* events) {
              auto control = create(events);
              rig.control->onDetect = [&shown](int) {
                  Shown now;
                  for (QWidget* window : QApplication::topLevelWidgets()) {
                      auto* loading = qobject_cast<CLoadFileDlg*>(window);
                      if (loading == nullptr || !loading->isVisible())
                          continue;
                      now.line = loading->DisplayedLine();
                      const QImage screen = loading->screen()->grabWindow(loading->winId()).toImage();
                      for (int y = 0; y < screen.height(); ++y) {
                          for (int x = 0; x < screen.width(); ++x)
                              now.textPixels += screen.pixelColor(x, y).lightness() > 160 ? 1 : 0;
                      }
                  }
                  shown.push_back(now);
              };
              return control;
          };
    qttest::App();
    rig.window = std::make_unique<CTessalyDlg>(&qttest::DefaultSkin(), std::move(environment));
    ASSERT_TRUE(rig.window->Create());
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[0].line, QString::fromStdString("Loading " + first));
    EXPECT_EQ(shown[1].line, QString::fromStdString("Loading " + second));
    for (const Shown& file : shown)
        EXPECT_GT(file.textPixels, 50) << file.line.toStdString();
}

TEST(MainWindow, EnterAndEscapeDoNotEndIt)
{
    MainWindowRig rig;
    rig.Open();
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QTest::keyClick(rig.window.get(), Qt::Key_Return);
    QTest::keyClick(rig.window->List(0), Qt::Key_Escape);
    EXPECT_TRUE(rig.window->isVisible());
}

TEST(MainWindow, ToolBarButtonsRunTheirCommands)
{
    MainWindowRig rig;
    rig.Open();
    CBaseWnd* toolBar = rig.window->Panes().toolBar.get();
    dlgtest::ClickItem(toolBar, CToolWnd::ITEM_IMPORT_LIST);
    EXPECT_EQ(rig.prompts.importQuestions, 1);
    EXPECT_EQ(rig.prompts.exportQuestions, 0);
    dlgtest::ClickItem(toolBar, CToolWnd::ITEM_EXPORT_LIST);
    EXPECT_EQ(rig.prompts.exportQuestions, 1);
    // Cancelled file dialogs end the commands without a message.
    EXPECT_TRUE(rig.messages.messages.empty());

    dlgtest::ClickItem(toolBar, CToolWnd::ITEM_START_ALL_TIMERS);
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        EXPECT_TRUE(rig.window->GetPlayers().Slot(player).TimerOn()) << player;
    dlgtest::ClickItem(toolBar, CToolWnd::ITEM_STOP_ALL_TIMERS);
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        EXPECT_FALSE(rig.window->GetPlayers().Slot(player).TimerOn()) << player;
}

TEST(MainWindow, ListEditButtonsRunTheirCommands)
{
    MainWindowRig rig;
    rig.Open();
    CBaseWnd* bar = rig.window->Panes().listEditBar.get();
    // The sixth button, item 8, sets the begin time: without a selection it says so.
    dlgtest::ClickItem(bar, CListEditWnd::ITEM_BEGIN_TIME);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, "No selected item");
    EXPECT_EQ(rig.messages.messages[0].caption, "Tessaly");
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Information);

    dlgtest::ClickItem(bar, CListEditWnd::ITEM_START_TIMER);
    ASSERT_EQ(rig.messages.messages.size(), 2U);
    EXPECT_EQ(rig.messages.messages[1].text, "No list item");

    AddRows(rig, 3);
    players::PlayList& list = rig.window->GetPlayers().Slot(0).List;
    ASSERT_EQ(list.RowCount(), 3);
    list.SetSelected(1, true);
    dlgtest::ClickItem(bar, CListEditWnd::ITEM_MOVE_UP);
    EXPECT_TRUE(list.IsSelected(0));
    EXPECT_EQ(list.Row(0).Path, rig.Folder() + "tone1.mp3");
    dlgtest::ClickItem(bar, CListEditWnd::ITEM_MOVE_DOWN);
    EXPECT_EQ(list.Row(1).Path, rig.Folder() + "tone1.mp3");

    dlgtest::ClickItem(bar, CListEditWnd::ITEM_START_TIMER);
    EXPECT_TRUE(rig.window->GetPlayers().Slot(0).TimerOn());
    // Editing still works while the timer runs.
    dlgtest::ClickItem(bar, CListEditWnd::ITEM_REMOVE);
    EXPECT_EQ(list.RowCount(), 2);
    dlgtest::ClickItem(bar, CListEditWnd::ITEM_STOP_TIMER);
    EXPECT_FALSE(rig.window->GetPlayers().Slot(0).TimerOn());
}

TEST(MainWindow, ClearAsksFirstAndNoKeepsEveryRow)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 2);
    players::PlayList& list = rig.window->GetPlayers().Slot(0).List;
    rig.messages.answerYes = false;
    dlgtest::ClickItem(rig.window->Panes().listEditBar.get(), CListEditWnd::ITEM_CLEAR);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, "Are you sure to clear all file?");
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Question);
    EXPECT_EQ(list.RowCount(), 2);
    rig.messages.answerYes = true;
    rig.window->RunCommand(ID_CLEAR_ITEMS);
    EXPECT_TRUE(list.Empty());
}

TEST(MainWindow, CancellingAddNewFilesChangesNothing)
{
    MainWindowRig rig;
    rig.Open();
    bool loadWindowSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (qobject_cast<CLoadFileDlg*>(QApplication::activeModalWidget()) != nullptr)
            loadWindowSeen = true;
    });
    watch.start(5);
    dlgtest::ClickItem(rig.window->Panes().listEditBar.get(), CListEditWnd::ITEM_ADD_FILES);
    QTest::qWait(50);
    EXPECT_EQ(rig.prompts.audioFileQuestions, 1);
    EXPECT_FALSE(loadWindowSeen);
    EXPECT_TRUE(rig.window->GetPlayers().Slot(0).List.Empty());
    EXPECT_TRUE(rig.messages.messages.empty());
}

TEST(MainWindow, AddNewFilesMeasuresThemUnderTheLoadWindowAndReportsTheUnreadable)
{
    MainWindowRig rig;
    rig.Open();
    rig.prompts.audioFiles = { QString::fromStdString(rig.MakeFile("a.wav")),
        QString::fromStdString(rig.Folder() + "missing.mp3"),
        QString::fromStdString(rig.MakeFile("b.flac")) };
    rig.window->RunCommand(ID_ADD_FILES);
    const players::PlayList& list = rig.window->GetPlayers().Slot(0).List;
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Row(0).BeginTime, "00:00:01");
    EXPECT_EQ(list.Row(1).BeginTime, "00:00:12");
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, "Failed to load file :\n" + rig.Folder() + "missing.mp3");
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Exclamation);
    EXPECT_TRUE(rig.window->List(0)->IsGroupView());
}

TEST(MainWindow, DropAddsOnlyAudioFilesWhateverTheCaseOfTheirExtension)
{
    MainWindowRig rig;
    rig.Open();
    std::filesystem::create_directories(rig.Folder() + "album.mp3");
    const QString folder = QString::fromStdString(rig.Folder() + "album.mp3");
    const QString text = QString::fromStdString(rig.MakeFile("notes.txt"));
    const QString first = QString::fromStdString(rig.MakeFile("ONE.MP3"));
    const QString second = QString::fromStdString(rig.MakeFile("two.Mp3"));

    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(folder), QUrl::fromLocalFile(text), QUrl::fromLocalFile(first),
        QUrl::fromLocalFile(second) });
    const QPoint point = rig.window->List(0)->geometry().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.window.get(), &drop);
    // The files are loaded once the drop has finished.
    const players::PlayList& list = rig.window->GetPlayers().Slot(0).List;
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.RowCount() == 2; }, 5000));
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Row(0).Path, first.toStdString());
    EXPECT_EQ(list.Row(1).Path, second.toStdString());
    EXPECT_TRUE(rig.messages.messages.empty());
}

TEST(MainWindow, RightClickOnAListOpensTheContextMenuAtTheMouse)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 2);
    CKVListCtrl* view = rig.window->List(0);
    const QRect row = view->visualRect(view->Model()->IndexOfRow(0));
    ASSERT_FALSE(row.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, row.center());
    CMenuEx* menu = rig.window->ListMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(menu->pos(), view->viewport()->mapToGlobal(row.center()));
    QStringList entries;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            entries.push_back(action->text());
    }
    EXPECT_EQ(entries.size(), 12);
    EXPECT_EQ(entries.front(), QStringLiteral("Add New Files"));
    EXPECT_EQ(entries.back(), QStringLiteral("Play Next File"));
    menu->close();

    // A segment's header row opens it too.
    const QRect header = view->visualRect(view->Model()->IndexOfGroup(0));
    ASSERT_FALSE(header.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, header.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    EXPECT_EQ(menu->pos(), view->viewport()->mapToGlobal(header.center()));
    menu->close();
}

TEST(MainWindow, CaptionMenuButtonOpensTheMainMenuBelowIt)
{
    MainWindowRig rig;
    rig.Open();
    dlgtest::ClickItem(rig.window->Caption(), CCaptionWnd::ITEM_MAINMENU);
    CMenuEx* menu = rig.window->MainMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    const SkinItem* button = rig.window->Caption()->FindItem(CCaptionWnd::ITEM_MAINMENU);
    EXPECT_EQ(
        menu->pos(), rig.window->Caption()->mapToGlobal(QPoint(button->rect.left, button->rect.bottom)));
    QStringList titles;
    for (QAction* action : menu->actions())
        titles.push_back(action->text());
    EXPECT_EQ(titles, QStringList({ "File", "Edit", "Play", "Help" }));
    menu->close();
}

TEST(MainWindow, PlayerButtonsSelectThePlayerAndItsList)
{
    MainWindowRig rig;
    rig.Open();
    dlgtest::ClickItem(rig.window->Panes().playerPanel.get(), 5);
    EXPECT_EQ(rig.window->CurrentPlayer(), 5);
    EXPECT_TRUE(rig.window->List(5)->isVisible());
    EXPECT_FALSE(rig.window->List(0)->isVisible());
    EXPECT_TRUE(rig.window->Panes().playerPanel->FindItem(5)->state & ITEMSTATE_HIGHLIGHT);
    EXPECT_FALSE(rig.window->Panes().playerPanel->FindItem(0)->state & ITEMSTATE_HIGHLIGHT);
    // List commands act on the current player.
    AddRows(rig, 1);
    EXPECT_EQ(rig.window->GetPlayers().Slot(5).List.RowCount(), 1);
    EXPECT_TRUE(rig.window->GetPlayers().Slot(0).List.Empty());
}

TEST(MainWindow, PlayControlsAndDoubleClickPlayTheRows)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 2);
    dlgtest::ClickItem(rig.window->Panes().playCtrlBar.get(), CPlayCtrlWnd::ITEM_PLAY);
    ASSERT_EQ(rig.control->opened.size(), 1U);
    EXPECT_EQ(rig.control->opened[0].second, rig.Folder() + "tone0.mp3");
    EXPECT_EQ(
        rig.window->Panes().playCtrlBar->FindItem(CPlayCtrlWnd::ITEM_PLAY)->imageId, players::IMAGE_PAUSE);
    EXPECT_EQ(rig.window->Panes().playerPanel->FindItem(0)->tip, QStringLiteral("Running"));

    CKVListCtrl* view = rig.window->List(0);
    const QRect row = view->visualRect(view->Model()->IndexOfRow(1));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    ASSERT_EQ(rig.control->opened.size(), 2U);
    EXPECT_EQ(rig.control->opened[1].second, rig.Folder() + "tone1.mp3");

    dlgtest::ClickItem(rig.window->Panes().playCtrlBar.get(), CPlayCtrlWnd::ITEM_STOP);
    EXPECT_EQ(
        rig.window->Panes().playCtrlBar->FindItem(CPlayCtrlWnd::ITEM_PLAY)->imageId, players::IMAGE_PLAY);
}

TEST(MainWindow, ExportAndImportReportTheirOutcome)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 2);
    rig.prompts.exportPath = QString::fromStdString(rig.Folder() + "list.xml");
    rig.window->RunCommand(ID_EXPORT_LIST);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(rig.messages.messages[0].text, "Program export successful!");
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Information);

    rig.prompts.exportPath = QString::fromStdString(rig.Folder() + "no/such/folder/list.xml");
    rig.window->RunCommand(ID_EXPORT_LIST);
    EXPECT_EQ(rig.messages.messages.back().text, "Program export failed!");
    EXPECT_EQ(rig.messages.messages.back().icon, players::MessageIcon::Error);

    dlgtest::ClickItem(rig.window->Panes().playerPanel.get(), 3);
    rig.prompts.importPath = QString::fromStdString(rig.Folder() + "list.xml");
    rig.window->RunCommand(ID_IMPORT_LIST);
    EXPECT_EQ(rig.messages.messages.back().text, "Program import successful!");
    EXPECT_EQ(rig.window->GetPlayers().Slot(3).List.RowCount(), 2);
    EXPECT_TRUE(rig.window->List(3)->IsGroupView());

    rig.prompts.importPath = QString::fromStdString(rig.MakeFile("broken.xml"));
    rig.window->RunCommand(ID_IMPORT_LIST);
    EXPECT_EQ(rig.messages.messages.back().text, "Program import failed!");
    EXPECT_EQ(rig.messages.messages.back().icon, players::MessageIcon::Error);
    EXPECT_EQ(rig.window->GetPlayers().Slot(3).List.RowCount(), 2);
}

TEST(MainWindow, HelpOpensTheGuideOrSaysWhereItIsMissing)
{
    MainWindowRig rig;
    rig.Open();
    rig.window->RunCommand(ID_HELP_TOPIC);
    ASSERT_EQ(rig.messages.messages.size(), 1U);
    EXPECT_EQ(
        rig.messages.messages[0].text, "Can not find the help file \"" + rig.Folder() + "Tessaly.html\"");
    EXPECT_EQ(rig.messages.messages[0].icon, players::MessageIcon::Error);
    EXPECT_TRUE(rig.prompts.openedUrls.empty());

    const std::string guide = rig.MakeFile("Tessaly.html");
    rig.window->RunCommand(ID_HELP_TOPIC);
    ASSERT_EQ(rig.prompts.openedUrls.size(), 1U);
    EXPECT_EQ(rig.prompts.openedUrls[0], QUrl::fromLocalFile(QString::fromStdString(guide)));

    rig.window->RunCommand(ID_ONLINE_HELP);
    rig.window->RunCommand(ID_VISIT_HOMEPAGE);
    ASSERT_EQ(rig.prompts.openedUrls.size(), 3U);
    EXPECT_EQ(rig.prompts.openedUrls[1], QUrl(QString::fromStdString(rig.supportUrl)));
    EXPECT_EQ(rig.prompts.openedUrls[2], QUrl(QString::fromStdString(rig.homeUrl)));
    EXPECT_EQ(rig.messages.messages.size(), 1U);

    // The as-run log lives beside the configuration.
    rig.window->RunCommand(ID_OPEN_LOG_FOLDER);
    ASSERT_EQ(rig.prompts.openedUrls.size(), 4U);
    EXPECT_EQ(rig.prompts.openedUrls[3], QUrl::fromLocalFile(QString::fromStdString(rig.Folder())));
}

TEST(MainWindow, ABuildWithoutTheMakersPagesLeavesTheirHelpEntriesOut)
{
    const auto shownHelpEntries = [](const MainWindowRig& rig) {
        QStringList shown;
        for (QAction* menu : rig.window->MainMenu()->actions()) {
            if (menu->text() != QStringLiteral("Help"))
                continue;
            for (QAction* entry : menu->menu()->actions()) {
                if (entry->isVisible() && !entry->isSeparator())
                    shown.push_back(entry->text());
            }
        }
        return shown;
    };
    MainWindowRig with;
    with.Open();
    EXPECT_EQ(shownHelpEntries(with),
        QStringList({ "Help Topic", "Online Help", "Open Log Folder", "Visit Homepage", "Check For Update",
            "About..." }));

    MainWindowRig without;
    without.supportUrl.clear();
    without.homeUrl.clear();
    without.Open();
    EXPECT_EQ(shownHelpEntries(without),
        QStringList({ "Help Topic", "Open Log Folder", "Check For Update", "About..." }));
    without.window->RunCommand(ID_ONLINE_HELP);
    without.window->RunCommand(ID_VISIT_HOMEPAGE);
    EXPECT_TRUE(without.prompts.openedUrls.empty());
}

TEST(MainWindow, StatusBarShowsTheLocalTimeAndDate)
{
    MainWindowRig rig;
    rig.Open();
    const QString clock = rig.window->Panes().statusBar->FindItem(CStatusWnd::ITEM_CLOCK)->text;
    const QString date = rig.window->Panes().statusBar->FindItem(CStatusWnd::ITEM_DATE)->text;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(clock).hasMatch())
        << clock.toStdString();
    EXPECT_EQ(date, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

TEST(MainWindow, WritesTheConfigurationWhenClosedThroughTheCaption)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 1);
    rig.window->RunCommand(ID_START_PLAYER_TIMER);
    ASSERT_TRUE(rig.window->GetPlayers().Slot(0).TimerOn());
    dlgtest::ClickItem(rig.window->Caption(), CCaptionWnd::ITEM_CLOSE);
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_FALSE(rig.window->GetPlayers().Slot(0).TimerOn());
    const std::string written = ReadFile(rig.ConfigPath());
    EXPECT_NE(written.find("<KVConfig"), std::string::npos);
    EXPECT_NE(written.find("tone0.mp3"), std::string::npos);
    // The as-run log of the day, beside the configuration, tells the timer's life.
    const std::string log = ReadFile(rig.Folder() + "Tessaly-"
        + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString() + ".log");
    EXPECT_NE(log.find(" | 1 Player One | default device | - | timer started\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" | 1 Player One | default device | - | timer stopped: the program ends\n"),
        std::string::npos)
        << log;
}

TEST(MainWindow, WritesTheConfigurationEvenWhenNothingChanged)
{
    MainWindowRig rig;
    rig.Open();
    rig.window->RunCommand(ID_EXIT_SYSTEM);
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_NE(ReadFile(rig.ConfigPath()).find("<KVConfig"), std::string::npos);
}

TEST(MainWindow, ScreenshotOfTheRunningWindow)
{
    MainWindowRig rig;
    rig.Open(760, 560);
    AddRows(rig, 4);
    rig.window->GetPlayers().Slot(0).List.SetSelected(1, true);
    QTest::qWait(20);
    EXPECT_TRUE(rig.window->grab().save(QStringLiteral(TESSALY_BUILD_DIR "/main-window.png")));
}

TEST(MainWindow, ACloseRequestCancelsOpenDialogsAndStillWritesTheConfiguration)
{
    MainWindowRig rig;
    rig.Open();
    bool dialogSeen = false;
    QTimer::singleShot(200, [&] {
        dialogSeen = QApplication::activeModalWidget() != nullptr
            && QApplication::activeModalWidget() != rig.window.get();
        rig.window->CloseOnRequest();
    });
    // The schedule policy dialog runs modally until the request cancels it.
    rig.window->RunCommand(ID_SCHEDULE_POLICY);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.window->isVisible(); }, 2000));
    EXPECT_NE(ReadFile(rig.ConfigPath()).find("<KVConfig"), std::string::npos);
}

TEST(MainWindow, AChangeIsWrittenSoonWithoutWaitingForTheEnd)
{
    MainWindowRig rig;
    rig.Open();
    AddRows(rig, 2);
    ASSERT_FALSE(std::filesystem::exists(rig.ConfigPath()));
    // A power cut after this point keeps the new rows.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ReadFile(rig.ConfigPath()).find("tone1.mp3") != std::string::npos; },
            CTessalyDlg::SAVE_DELAY_MS + 3000));
    EXPECT_TRUE(rig.window->isVisible());
}

TEST(MainWindow, ACloseRequestDuringAddingStopsAfterTheFileInWorkAndKeepsWhatWasAdded)
{
    MainWindowRig rig;
    rig.Open();
    QStringList paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back(QString::fromStdString(rig.MakeFile("tone" + std::to_string(i) + ".mp3")));
    rig.control->onDetect = [&](int count) {
        if (count == 3)
            rig.window->CloseOnRequest();
    };
    rig.window->AddFiles(paths);
    EXPECT_EQ(rig.window->GetPlayers().Slot(0).List.RowCount(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.window->isVisible(); }, 2000));
    const std::string written = ReadFile(rig.ConfigPath());
    EXPECT_NE(written.find("tone2.mp3"), std::string::npos);
    EXPECT_EQ(written.find("tone3.mp3"), std::string::npos);
}

TEST(MainWindow, AWindowThatFailsToStartLeavesTheConfigurationAlone)
{
    MainWindowRig rig;
    qttest::App();
    const std::string stored = "<KVConfig Version=\"1.0.0\"><Player ID=\"1\" Name=\"Hall\"/></KVConfig>";
    std::ofstream(rig.ConfigPath()) << stored;
    CTessalyDlg::Environment environment = rig.Environment();
    // The audio control cannot be made, so the window cannot be created.
    environment.CreateControl = [](sonarel::ISonarelEvents*) { return std::unique_ptr<sonarel::ISonarel>(); };
    {
        CTessalyDlg window(&qttest::DefaultSkin(), environment);
        EXPECT_FALSE(window.Create());
    }
    EXPECT_EQ(ReadFile(rig.ConfigPath()), stored);
}

TEST(MainWindow, AnUnreadableConfigurationIsKeptAsideBeforeTheDefaultsReplaceIt)
{
    MainWindowRig rig;
    const std::string damaged = "<KVConfig Version=\"1.0.0\"><Player ID=\"1\" Name=\"Hall\"";
    std::ofstream(rig.ConfigPath()) << damaged;
    rig.Open();
    EXPECT_EQ(rig.window->Panes().playerPanel->FindItem(1)->text, QStringLiteral("Player Two"));
    rig.window->RunCommand(ID_EXIT_SYSTEM);
    EXPECT_EQ(ReadFile(rig.ConfigPath() + ".bad"), damaged);
    EXPECT_NE(ReadFile(rig.ConfigPath()).find("<KVConfig"), std::string::npos);
}
