#include "shell/TessalyApp.h"

#include "dialogs/MessageBox.h"
#include "persist/ModuleDirectory.h"
#include "shell/CloseOnSignal.h"
#include "shell/InstanceLock.h"
#include "shell/TessalyDlg.h"
#include "skin/BaseSkin.h"
#include "skin/BaseWnd.h"
#include "skin/KVSkin.h"
#include "skin/QtImageDecoder.h"

#include <QAbstractEventDispatcher>
#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* PROGRAM_NAME = "Tessaly";

void Tell(const QString& text, MessageIcon icon)
{
    DefaultMessageBox().Show(nullptr, text, QString::fromUtf8(PROGRAM_NAME), icon);
}

} // namespace

int CTessalyApp::Run(int argc, char** argv)
{
    // The audio control's timers and bus watches run on GLib's main context, which Qt's event loop
    // only drives when it is built on GLib: never let the environment switch that off.
    ::unsetenv("QT_NO_GLIB");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(PROGRAM_NAME));
    QApplication::setApplicationDisplayName(QString::fromUtf8(PROGRAM_NAME));
    QApplication::setDesktopFileName(QStringLiteral("example.velloran.Tessaly"));
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr || !dispatcher->inherits("QEventDispatcherGlib")) {
        std::fputs(
            "Tessaly: the event loop does not run GLib's main context; playback cannot work.\n", stderr);
        return 1;
    }

    InstanceLock lock(InstanceLock::DefaultPath(PROGRAM_NAME));
    switch (lock.TryAcquire()) {
    case InstanceLock::Result::Held:
        Tell(QStringLiteral("The program is already running!"), MessageIcon::Information);
        return 0;
    case InstanceLock::Result::Failed:
        std::fprintf(
            stderr, "Tessaly: cannot lock %s; not guarding against a second copy.\n", lock.Path().c_str());
        break;
    case InstanceLock::Result::Acquired:
        break;
    }

    CKVSkin skin(std::make_unique<QtImageDecoder>());
    if (skin.LoadSkin(ModuleDirectory() + "skin/Default.skin") != SKINLOAD_OK) {
        Tell(QStringLiteral("Failed to Load skin file \"Default.skin!\""), MessageIcon::Error);
        return 1;
    }
    skin.SetWindowLookup(&CBaseWnd::FindWindowIdByTitle);

    int exitCode = 0;
    {
        CTessalyDlg window(&skin, CTessalyDlg::DefaultEnvironment());
        CloseOnSignal closer([&window] { window.CloseOnRequest(); });
        if (!window.Create()) {
            std::fputs("Tessaly: the main window could not be created.\n", stderr);
            exitCode = 1;
        } else {
            window.exec();
        }
    }
    skin.UnloadSkin();
    lock.Release();
    return exitCode;
}
