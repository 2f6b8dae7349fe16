#pragma once

#include "skin/BaseWnd.h"

// CaptionFlags of a dialog: which buttons its caption bar has. 0 means no caption bar.
inline constexpr int CAPTION_CLOSE = 0x01;
// Also makes the dialog's frame resizable.
inline constexpr int CAPTION_MAXIMIZE = 0x02;
inline constexpr int CAPTION_MINIMIZE = 0x04;
inline constexpr int CAPTION_MAINMENU = 0x08;
// Has no button.
inline constexpr int CAPTION_RESERVED = 0x10;
inline constexpr int CAPTION_LOGO = 0x20;
inline constexpr int CAPTION_DEFAULT = 0x3F;

// The caption bar at the top of every dialog: the close, maximize, minimize and main menu buttons
// from the right edge inwards, the logo and the title from the left. Dragging an empty part moves
// the dialog; a double click on it maximizes or restores a resizable dialog.
class CCaptionWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int CAPTION_WND_ID = 101;
    static constexpr int HEIGHT = 30;
    static constexpr int ITEM_CLOSE = 4001;
    static constexpr int ITEM_MAXIMIZE = 4002;
    static constexpr int ITEM_MINIMIZE = 4003;
    static constexpr int ITEM_MAINMENU = 4004;
    static constexpr int ITEM_LOGO = 4005;
    static constexpr int ITEM_TITLE = 4006;

    CCaptionWnd(CBaseSkin* skin, int flags, QWidget* parent = nullptr);

    [[nodiscard]] int Flags() const { return m_flags; }
    void SetTitle(const QString& title);
    // Shows the restore picture and tip while the dialog is maximized, else the maximize ones.
    void UpdateMaximizeButton();

protected:
    bool OnCreate() override;
    int OnItemHot(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;
    int OnItemLButtonDown(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;
    int OnItemDblClk(SkinItem* item, Qt::MouseButtons buttons, const QPoint& point) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_flags = CAPTION_DEFAULT;
};
