#pragma once

#include "shell/panes/MainPanes.h"
#include "skin/BaseDialog.h"
#include "support_qt/QtTestApplication.h"

#include <QPoint>
#include <QRect>

#include <vector>

namespace panetest {

using qttest::App;
using qttest::DefaultSkin;

// A dialog framed like the main window, holding the six panes and recording every notification
// that reaches it.
class PanesDialog final : public CBaseDialog {
public:
    struct Notification {
        int code = 0;
        int sender = 0;
        int item = -1; // -1: no item
    };

    PanesDialog();

    int OnItemNotify(int code, const ItemNotifyInfo& info) override;

    // Creates the dialog, shows it offscreen at the given size and lays the panes out.
    [[nodiscard]] bool Open(int width, int height);
    void ResizeTo(int width, int height);

    MainPaneSet panes;
    std::vector<Notification> notifications;
    // What arrived as clicks, through OnItemClick.
    std::vector<Notification> clicks;

protected:
    bool OnInitDialog() override;
    int OnItemClick(const ItemNotifyInfo& info) override;
};

// The place the dialog gave a pane: its window grown back by the pane insets.
[[nodiscard]] QRect PaneSlot(const QWidget* pane);
// The centre of an item of a skinned window.
[[nodiscard]] QPoint ItemCentre(const CBaseWnd& window, int id);

} // namespace panetest
