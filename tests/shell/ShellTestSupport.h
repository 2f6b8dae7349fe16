#pragma once

#include "players/MessageSink.h"
#include "shell/ShellPrompts.h"
#include "shell/TessalyDlg.h"
#include "support/NullSonarel.h"

#include <QTemporaryDir>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shelltest {

// Measures every file that exists as ten seconds long and plays whatever it is asked to.
class FakeControl final : public NullSonarel {
public:
    bool MediaDetect(const char* path, std::int32_t* duration, short*, short*, std::int32_t*, short*,
        std::int32_t*) override
    {
        std::error_code error;
        if (path == nullptr || !std::filesystem::is_regular_file(path, error))
            return false;
        ++detected;
        if (onDetect)
            onDetect(detected);
        if (duration != nullptr)
            *duration = 10000;
        return true;
    }
    bool OpenStream(short stream, const char* path, const char*, short) override
    {
        opened.emplace_back(stream, path != nullptr ? path : "");
        return true;
    }
    bool Play(short) override { return true; }
    bool Stop(short) override { return true; }
    bool SetVolume(short stream, short volume) override
    {
        volumes.emplace_back(stream, volume);
        return true;
    }

    // Called with the number of files measured so far, each time one is.
    std::function<void(int)> onDetect;
    int detected = 0;
    std::vector<std::pair<short, std::string>> opened;
    std::vector<std::pair<short, short>> volumes;
};

// Records the messages; questions get the prepared answer.
class RecordingMessages final : public players::IMessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
        players::MessageIcon icon = players::MessageIcon::None;
    };

    void ShowMessage(std::string_view text, std::string_view caption, players::MessageIcon icon) override
    {
        messages.push_back({ std::string(text), std::string(caption), icon });
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override
    {
        messages.push_back({ std::string(text), std::string(caption), players::MessageIcon::Question });
        return answerYes;
    }

    bool answerYes = false;
    std::vector<Message> messages;
};

// Answers the file dialogs with prepared paths and records what the desktop was asked to open.
class FakePrompts final : public IShellPrompts {
public:
    QStringList AskAudioFiles(QWidget*) override
    {
        ++audioFileQuestions;
        return audioFiles;
    }
    QString AskExportPath(QWidget*) override
    {
        ++exportQuestions;
        return exportPath;
    }
    QString AskImportPath(QWidget*) override
    {
        ++importQuestions;
        return importPath;
    }
    void OpenUrl(const QUrl& url) override { openedUrls.push_back(url); }

    QStringList audioFiles;
    QString exportPath;
    QString importPath;
    int audioFileQuestions = 0;
    int exportQuestions = 0;
    int importQuestions = 0;
    std::vector<QUrl> openedUrls;
};

// The whole text of a file; empty when it cannot be read.
[[nodiscard]] std::string ReadFile(const std::string& path);

// A main window in a scratch folder, with the fakes above.
struct MainWindowRig {
    QTemporaryDir folder;
    RecordingMessages messages;
    FakePrompts prompts;
    FakeControl* control = nullptr;
    // Set before Open: the update check is off unless a version document is given.
    std::string versionUrl;
    // The maker's pages, as a build with addresses has them; clear them for a build without.
    std::string supportUrl = "https://maker.test/support/";
    std::string homeUrl = "https://maker.test/";
    // Set before Open: measures loudness for players with even loudness; none by default.
    players::LoudnessWorker::Meter measureLoudness;
    std::unique_ptr<CTessalyDlg> window;

    [[nodiscard]] std::string Folder() const { return folder.path().toStdString() + "/"; }
    [[nodiscard]] std::string ConfigPath() const { return Folder() + "Tessaly.cfg"; }
    [[nodiscard]] std::string AutostartPath() const { return Folder() + "autostart/tessaly.desktop"; }
    // Creates an empty file in the scratch folder and returns its path.
    std::string MakeFile(const std::string& name) const;

    // The window's surroundings: the scratch folder, the fakes, no update check unless versionUrl.
    [[nodiscard]] CTessalyDlg::Environment Environment();
    // Creates and shows the window; the configuration file may be prepared before.
    void Open(int width = CTessalyDlg::START_WIDTH, int height = CTessalyDlg::START_HEIGHT);
};

} // namespace shelltest
