#pragma once

#include "skin/BaseDialog.h"
#include "update/UpdateReport.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>

class CBaseWnd;
class CVersionUpdate;
class QPlainTextEdit;

// "Live Update": asks the checker for the newest version and offers its download.
//
// Given no latest version (0, 0), it shows the fetching page and, 100 ms after opening, starts a
// forced check that reports to the dialog; the result arrives on the checker's worker and is handed
// to the dialog's thread, where it turns the page into the failure text, the up-to-date page or the
// new-version page. Given a latest version (with the description that came with it), it shows the
// matching page at once. A checker without a version address checks nothing: the page says instead
// that this installation is updated through the system's package manager.
//
// The checker is not owned and must outlive the dialog; the dialog detaches from it when destroyed,
// so a worker waiting for the dialog to take its result is released. User-interface thread only.
class CVersionUpdateDlg : public CBaseDialog, public IUpdateReport {
    Q_OBJECT

public:
    enum class Page { Fetching, UpToDate, NewVersion };

    static constexpr int PANE_ID = 118;
    static constexpr int TEXT_BOX_ID = 1013;
    static constexpr int ITEM_CLOSE = 1;
    static constexpr int ITEM_OK = 2;
    static constexpr int ITEM_CANCEL = 3;
    static constexpr int ITEM_MESSAGE = 4;
    static constexpr int START_DELAY_MS = 100;

    CVersionUpdateDlg(CVersionUpdate* checker, CBaseSkin* skin, std::int32_t currentMajor,
        std::int32_t currentMinor, std::int32_t latestMajor = 0, std::int32_t latestMinor = 0,
        QString latestDescription = {}, QWidget* parent = nullptr);
    ~CVersionUpdateDlg() override;
    CVersionUpdateDlg(const CVersionUpdateDlg&) = delete;
    CVersionUpdateDlg& operator=(const CVersionUpdateDlg&) = delete;

    // IUpdateReport, on the checker's worker.
    void OnUpdateResult(const UpdateResult& result, std::stop_token abandon) override;

    // Opens the download address; by default with the system's handler.
    void SetUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    // Where "OK" on the new-version page leads: by default the build's download address, else its
    // home page; empty: "OK" only closes the dialog.
    void SetDownloadUrl(QString url) { m_downloadUrl = std::move(url); }

    [[nodiscard]] Page CurrentPage() const { return m_page; }
    [[nodiscard]] CBaseWnd* Pane() const { return m_pane.get(); }
    [[nodiscard]] QPlainTextEdit* TextBox() const { return m_textBox.get(); }
    // The text of the pane's item with that id; empty when there is none.
    [[nodiscard]] QString ItemText(int id) const;

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    void HandleResult(const UpdateResult& result);
    void ShowFetchingPage();
    void ShowUpToDatePage();
    void ShowNewVersionPage();
    void AddText(int id, const QString& text, int height);
    void AddButton(int id, const QString& text);
    void StartCheck();

    CVersionUpdate* m_checker = nullptr;
    std::int32_t m_currentMajor = 0;
    std::int32_t m_currentMinor = 0;
    std::int32_t m_latestMajor = 0;
    std::int32_t m_latestMinor = 0;
    QString m_description;
    Page m_page = Page::Fetching;
    std::function<void(const QUrl&)> m_openUrl;
    QString m_downloadUrl;
    std::unique_ptr<CBaseWnd> m_pane;
    std::unique_ptr<QPlainTextEdit> m_textBox;
};
