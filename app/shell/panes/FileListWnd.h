#pragma once

#include "skin/BaseWnd.h"

// The pane that shows the current player's list: its one item holds the list view, which the
// layout moves over the pane. The list views belong to the main window; showing and hiding them is
// the main window's part.
class CFileListWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_LIST = 0;

    explicit CFileListWnd(CBaseSkin* skin, QWidget* parent = nullptr);

    // Puts list (not owned; may be null) in place of the shown list and lays the pane out again.
    void SetList(QWidget* list);
    [[nodiscard]] QWidget* List() const;

protected:
    bool OnCreate() override;
};
