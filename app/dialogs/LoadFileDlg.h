#pragma once

#include "persist/LoadProgress.h"
#include "skin/BaseDialog.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// The small caption-less progress window shown while audio files are measured.
//
// Modal use: constructed with the paths and an add-file callback, then exec()'d. 100 ms after it
// opens (so that it is on screen first) it hands the paths to the callback one at a time, in order,
// each after showing it; the callback measures and appends the file before it returns. Escape stops
// the run after the file in work. The dialog then closes as accepted.
//
// Modeless use (ILoadProgress): the readers of stored lists show it and name each file they measure.
// Show returns once the window is on screen (or after a second), so that every file named after it
// is seen although the readers do not return to the event loop meanwhile.
//
// User-interface thread only.
class CLoadFileDlg : public CBaseDialog, public persist::ILoadProgress {
    Q_OBJECT

public:
    using AddFile = std::function<void(const QString& path)>;

    static constexpr int START_DELAY_MS = 100;

    // Modeless use: shows paths, drives nothing.
    explicit CLoadFileDlg(CBaseSkin* skin, QWidget* parent = nullptr);
    // Modal use. The paths are copied; addFile is called for each on this thread.
    CLoadFileDlg(CBaseSkin* skin, QStringList paths, AddFile addFile, QWidget* parent = nullptr);
    ~CLoadFileDlg() override;
    CLoadFileDlg(const CLoadFileDlg&) = delete;
    CLoadFileDlg& operator=(const CLoadFileDlg&) = delete;

    // "Loading %s" with the path, drawn at once.
    void ShowLoading(const QString& path);

    // ILoadProgress.
    void Show() override;
    void ShowLoading(std::string_view path) override;
    void Hide() override;

    // The whole line and the line as drawn, the path shortened in the middle to fit.
    [[nodiscard]] const QString& LoadingLine() const { return m_line; }
    [[nodiscard]] QString DisplayedLine() const;
    // Paths handed to the callback so far in the modal run.
    [[nodiscard]] int FilesHandedOver() const { return m_handedOver; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RunPaths();
    [[nodiscard]] QRect TextRect() const;
    [[nodiscard]] QFont TextFont() const;

    QStringList m_paths;
    AddFile m_addFile;
    QTimer m_startTimer;
    QString m_path;
    QString m_line;
    int m_handedOver = 0;
    bool m_escapePressed = false;
    bool m_started = false;
    // Whether Show waits for the window to be on screen.
    bool m_waitForScreen = true;
};
