#include "shell/TessalyApp.h"

#include "dialogs/MessageBox.h"
#include "persist/ModuleDirectory.h"
#include "shell/CloseOnSignal.h"
#include "shell/InstanceLock.h"
#include "skin/BaseSkin.h"
#include "skin/BaseWnd.h"
#include "skin/KVSkin.h"
#include "skin/QtImageDecoder.h"

#include "shell/Autostart.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* PROGRAM_NAME = "Tessaly";

} // namespace

CTessalyApp::Setup CTessalyApp::DefaultSetup()
{
    Setup setup;
    setup.LockPath = InstanceLock::DefaultPath(PROGRAM_NAME);
    setup.SkinPath = persist::ModuleDirectory() + "skin/Default.skin";
    setup.Window = CTessalyDlg::DefaultEnvironment();
    return setup;
}

int CTessalyApp::Run(int argc, char** argv)
{
    // The audio control's timers and bus watches run on GLib's main context, which Qt's event loop
    // only drives when it is built on GLib: never let the environment switch that off.
    ::unsetenv("QT_NO_GLIB");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(PROGRAM_NAME));
    QApplication::setApplicationDisplayName(QString::fromUtf8(PROGRAM_NAME));
    QApplication::setDesktopFileName(QString::fromLatin1(DESKTOP_ENTRY_ID.data(), DESKTOP_ENTRY_ID.size()));

    // --help and an unknown option print to the terminal and end the process here.
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Plays scheduled audio on several output devices, each player on its own zone."));
    options.addHelpOption();
    const QCommandLineOption noTimers(QStringLiteral("no-timers"),
        QStringLiteral("Start with every player's timer off, for maintenance. The timers that were on "
                       "start again at the next start, unless they are changed meanwhile."));
    options.addOption(noTimers);
    options.process(application);

    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) {
        std::fputs(
            "Tessaly: the event loop does not run GLib's main context; playback cannot work.\n", stderr);
        return 1;
    }
    Setup setup = DefaultSetup();
    setup.Window.StartTimers = !options.isSet(noTimers);
    return Run(setup);
}

int CTessalyApp::Run(const Setup& setup)
{
    IMessageBox& messages = setup.Messages != nullptr ? *setup.Messages : DefaultMessageBox();
    const QString caption = QString::fromUtf8(PROGRAM_NAME);

    InstanceLock lock(setup.LockPath);
    switch (lock.TryAcquire()) {
    case InstanceLock::Result::Held:
        messages.Show(nullptr, QStringLiteral("The program is already running!"), caption,
            players::MessageIcon::Information);
        return 0;
    case InstanceLock::Result::Failed:
        std::fprintf(
            stderr, "Tessaly: cannot lock %s; not guarding against a second copy.\n", lock.Path().c_str());
        break;
    case InstanceLock::Result::Acquired:
        break;
    }

    CKVSkin skin(std::make_unique<QtImageDecoder>());
    if (skin.LoadSkin(setup.SkinPath) != SKINLOAD_OK) {
        messages.Show(nullptr, QStringLiteral("Failed to Load skin file \"Default.skin!\""), caption,
            players::MessageIcon::Error);
        return 1;
    }
    skin.SetWindowLookup(&CBaseWnd::FindWindowIdByTitle);

    int exitCode = 0;
    {
        CTessalyDlg window(&skin, setup.Window);
        CloseOnSignal closer([&window] { window.CloseOnRequest(); });
        if (!window.Create()) {
            std::fputs("Tessaly: the main window could not be created.\n", stderr);
            exitCode = 1;
        } else {
            if (setup.BeforeRun)
                setup.BeforeRun(window);
            window.exec();
        }
    }
    skin.UnloadSkin();
    lock.Release();
    return exitCode;
}
