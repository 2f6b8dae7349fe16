#include "shell/ShellPrompts.h"

#include "shell/AudioFileTypes.h"
#include "skin/QtText.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace {

class PlatformShellPrompts final : public IShellPrompts {
public:
    QStringList AskAudioFiles(QWidget* parent) override
    {
        QFileDialog dialog(parent);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setOption(QFileDialog::DontResolveSymlinks);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setNameFilter(QtNameFilter(AUDIO_FILE_FILTER));
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles();
    }

    QString AskExportPath(QWidget* parent) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilter(QtNameFilter(LIST_FILE_FILTER));
        dialog.setDefaultSuffix(QStringLiteral("xml"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    QString AskImportPath(QWidget* parent) override
    {
        QFileDialog dialog(parent);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks);
        dialog.setNameFilter(QtNameFilter(LIST_FILE_FILTER));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    void OpenUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

} // namespace

QString QtNameFilter(std::string_view filter)
{
    return ToQString(filter).replace(u';', u' ');
}

IShellPrompts& PlatformPrompts()
{
    static PlatformShellPrompts prompts;
    return prompts;
}
