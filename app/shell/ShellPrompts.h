#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

class QUrl;
class QWidget;

// What the main window asks of the desktop: the file dialogs of its commands and the default handler
// for addresses and the help file. Tests answer them without modal dialogs.
class IShellPrompts {
public:
    IShellPrompts() = default;
    IShellPrompts(const IShellPrompts&) = delete;
    IShellPrompts& operator=(const IShellPrompts&) = delete;
    virtual ~IShellPrompts() = default;

    // Existing audio files, several at once, in the order the dialog reports them; empty when
    // cancelled.
    [[nodiscard]] virtual QStringList AskAudioFiles(QWidget* parent) = 0;
    // A program list file to write (an existing one is replaced without asking) or to read; empty
    // when cancelled.
    [[nodiscard]] virtual QString AskExportPath(QWidget* parent) = 0;
    [[nodiscard]] virtual QString AskImportPath(QWidget* parent) = 0;
    // Hands the address to the desktop's default handler without waiting for it.
    virtual void OpenUrl(const QUrl& url) = 0;
};

// A filter text "Name(*.a;*.b)" in the form file dialogs read, "Name(*.a *.b)": they take the
// patterns in the parentheses as separated by spaces, and one pattern "*.a;*.b" matches no file.
[[nodiscard]] QString QtNameFilter(std::string_view filter);

// The platform's file dialogs and default handler.
[[nodiscard]] IShellPrompts& PlatformPrompts();
