#pragma once

#include "skin/BaseDialog.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string_view>

class CBaseWnd;

// The maker's pages that the about box links to.
inline constexpr std::string_view ABOUT_SUPPORT_URL = "https://www.velloran.example/support/";
inline constexpr std::string_view ABOUT_HOME_URL = "https://www.velloran.example/";

// The about box: the skin's picture, the program's version and links to the maker's pages. A link
// opens its address and leaves the box open; any other item closes it. User-interface thread only.
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

    [[nodiscard]] CBaseWnd* Pane() const { return m_pane.get(); }

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;

private:
    std::function<void(const QUrl&)> m_openUrl;
    std::unique_ptr<CBaseWnd> m_pane;
};
