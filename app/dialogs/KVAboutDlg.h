#pragma once

#include "skin/BaseDialog.h"
#include "update/UpdateAddresses.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class CBaseWnd;

// The about box: the skin's picture, the program's version and links to the maker's pages. A link
// opens its address and leaves the box open; any other item closes it. A link without an address
// is left out with its label. The picture keeps its proportions: centred, and scaled down when the
// box is narrower than the picture. User-interface thread only.
class CKVAboutDlg : public CBaseDialog {
    Q_OBJECT

public:
    static constexpr int PANE_ID = 116;
    static constexpr int ITEM_SUPPORT_LINK = 1;
    static constexpr int ITEM_HOME_LINK = 2;
    static constexpr int ABOUT_IMAGE = 23;
    static constexpr int IMAGE_HEIGHT = 130;

    explicit CKVAboutDlg(CBaseSkin* skin, QWidget* parent = nullptr);
    ~CKVAboutDlg() override;
    CKVAboutDlg(const CKVAboutDlg&) = delete;
    CKVAboutDlg& operator=(const CKVAboutDlg&) = delete;

    // Opens a link; by default with the system's handler.
    void SetUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    // The addresses of the two links, by default the build's; before the box is shown.
    void SetLinks(QString support, QString home)
    {
        m_supportUrl = std::move(support);
        m_homeUrl = std::move(home);
    }

    [[nodiscard]] CBaseWnd* Pane() const { return m_pane.get(); }

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    std::function<void(const QUrl&)> m_openUrl;
    QString m_supportUrl;
    QString m_homeUrl;
    std::unique_ptr<CBaseWnd> m_pane;
};
