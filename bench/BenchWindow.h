#pragma once

// What the benchmarks that open the real main window share: messages to standard error, Qt's
// log without the offscreen platform's noise, the default skin and the window's environment.
// Header-only, so that each benchmark stays one source file.

#include "players/MessageSink.h"
#include "shell/TessalyDlg.h"
#include "skin/BaseWnd.h"
#include "skin/KVSkin.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// The control's timers and bus watches run on GLib's main context, which only a GLib-based Qt event
// loop drives; without a display named, the window is drawn offscreen. Before QApplication.
inline void UseGlibEventLoop()
{
    ::unsetenv("QT_NO_GLIB");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Messages and questions to standard error; every question is answered No.
class StderrMessages : public players::IMessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view, players::MessageIcon) override
    {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
        ++Count;
    }
    bool AskYesNo(std::string_view text, std::string_view) override
    {
        std::fprintf(stderr, "question (answered No): %.*s\n", static_cast<int>(text.size()), text.data());
        ++Count;
        return false;
    }
    int Count = 0;
};

// The offscreen platform says so every time the load window is raised: 8 lines a start-up.
inline void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains(QStringLiteral("does not support raise()")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// The built default skin, as the program loads it; false, having said why, when it cannot be read.
[[nodiscard]] inline bool LoadDefaultSkin(CKVSkin& skin)
{
    if (skin.LoadSkin(TESSALY_DEFAULT_SKIN) != SKINLOAD_OK) {
        std::fprintf(stderr, "cannot load %s\n", TESSALY_DEFAULT_SKIN);
        return false;
    }
    skin.SetWindowLookup(&CBaseWnd::FindWindowIdByTitle);
    return true;
}

// The main window of the build tree on that configuration, without the update check.
[[nodiscard]] inline CTessalyDlg::Environment WindowEnvironment(
    const std::string& configPath, players::IMessageSink& messages)
{
    CTessalyDlg::Environment environment = CTessalyDlg::DefaultEnvironment();
    environment.ConfigPath = configPath;
    environment.ProgramFolder = std::string(TESSALY_BINARY_DIR) + "/app/shell/";
    environment.Messages = &messages;
    environment.AutomaticUpdateCheck = false;
    return environment;
}

} // namespace bench
