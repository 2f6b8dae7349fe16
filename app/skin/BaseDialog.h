#pragma once

#include "skin/CaptionWnd.h"
#include "skin/SkinItem.h"
#include "skin/WindowDragger.h"

#include <QColor>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class CBaseSkin;
class QPainter;

// Pane anchors.
inline constexpr int PANE_TOP = 0x01;
inline constexpr int PANE_LEFT = 0x02;
inline constexpr int PANE_BOTTOM = 0x04;
inline constexpr int PANE_RIGHT = 0x08;
inline constexpr int PANE_FIXED_WIDTH = 0x10;
inline constexpr int PANE_FIXED_HEIGHT = 0x20;
// Pane options: shrink the pane's place by its insets.
inline constexpr int PANEOPT_INSET = 0x01;

// A child window of a dialog, laid out like a docked bar. AddPane copies it.
struct PaneRecord {
    float widthPercent = 100.0F;
    float heightPercent = 100.0F;
    // Not owned by the record.
    QWidget* pane = nullptr;
    // Its width and height give the fixed size.
    SkinRect rect;
    int reserved = 0;
    int id = 0;
    int anchor = PANE_TOP | PANE_LEFT;
    int options = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    int insetX = 1;
    int insetY = 1;
};

// What a point of a dialog's frame does.
enum class FrameHit {
    Client,
    // Dragging moves the window.
    Caption,
    Left,
    Top,
    Right,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

// A borderless dialog holding a list of panes (usually skinned windows) that it lays out like
// docked bars on every size change: a caption bar at the top (unless its caption flags are 0),
// then the subclass's panes. It paints its own background, moves when dragged by its caption
// or, without the Maximize flag, by any uncovered point, resizes from its 1-pixel edge and
// 2-pixel corners when it has the Maximize flag, and handles its panes' notifications. Enter,
// Escape and Tab do not close it or move the focus.
//
// The subclass adds its panes in OnInitDialog after calling the base, which makes the caption;
// Create runs it once, and showing the dialog creates it if that has not happened yet.
// User-interface thread only.
class CBaseDialog : public QDialog, public IItemNotifyReceiver {
    Q_OBJECT

public:
    // The skin is not owned and must outlive the dialog.
    CBaseDialog(int templateId, CBaseSkin* skin, QWidget* parent = nullptr);
    CBaseDialog(const CBaseDialog&) = delete;
    CBaseDialog& operator=(const CBaseDialog&) = delete;
    ~CBaseDialog() override;

    // Runs OnInitDialog once; later calls return its first result.
    bool Create();
    [[nodiscard]] bool IsCreated() const { return m_created; }

    // Takes effect at creation.
    void SetCaptionFlags(int flags) { m_captionFlags = flags; }
    [[nodiscard]] int CaptionFlags() const { return m_captionFlags; }

    // Appends a copy of pane and makes the window a child of the dialog; false when that window
    // is already a pane.
    bool AddPane(const PaneRecord& pane);
    [[nodiscard]] const std::vector<PaneRecord>& Panes() const { return m_panes; }
    // Takes every pane from the list through OnPaneRemoved. The windows stay children of the
    // dialog, which deletes them with itself.
    void RemoveAllPanes();
    // Places every pane again, as on a size change.
    void LayoutPanes();

    [[nodiscard]] virtual QColor GetDialogColour(int which) const;
    [[nodiscard]] virtual int GetDialogMode(int which) const;
    // The caption's title and the window title.
    virtual void SetCaptionText(const QString& text);

    [[nodiscard]] CCaptionWnd* Caption() const { return m_caption.get(); }
    [[nodiscard]] CBaseSkin* Skin() const { return m_skin; }
    [[nodiscard]] int TemplateId() const { return m_templateId; }

    // The skinned panes' notifications: a click goes to OnItemClick, a double click to OnItemDblClk.
    int OnItemNotify(int code, const ItemNotifyInfo& info) override;

    // What the point at (x, y) of a window of the given size does: without the resizable frame
    // every point is caption; with it the outer ring of pixels resizes.
    [[nodiscard]] static FrameHit HitTest(const QSize& size, const QPoint& point, bool resizable);
    // The window edges a frame hit resizes; none for client and caption.
    [[nodiscard]] static Qt::Edges EdgesOf(FrameHit hit);

    void setVisible(bool visible) override;

protected:
    // Makes the caption bar; subclasses add their panes after calling it.
    virtual bool OnInitDialog();
    virtual int OnPaneAdded(PaneRecord* /*pane*/) { return 0; }
    virtual int OnPaneRemoved(PaneRecord* /*pane*/) { return 0; }
    virtual int OnLayoutPane(PaneRecord* /*pane*/) { return 0; }
    // Non-zero keeps a double click on the caption from maximizing or restoring.
    virtual int OnCaptionDblClk() { return 0; }
    virtual int OnItemClick(const ItemNotifyInfo& info);
    virtual int OnItemDblClk(const ItemNotifyInfo& info);
    virtual int OnDrawBackground(const QRect& /*rect*/, QPainter& /*painter*/, int /*mode*/) { return 0; }
    // Restores a maximized dialog, else maximizes it.
    virtual void OnMaximizeRestore();
    // Cancels the dialog.
    virtual void OnCloseCommand();
    virtual void OnMinimizeCommand();
    virtual void OnMainMenuCommand() { }
    virtual void OnLogoCommand() { }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    static constexpr int CURSOR_CHECK_MS = 100;

private:
    [[nodiscard]] bool Resizable() const { return (m_captionFlags & CAPTION_MAXIMIZE) != 0; }
    // Shows the resize cursor while the mouse is over the resizing edge, else the normal one.
    void UpdateFrameCursor(const QPoint& point);
    SkinRect LayoutPane(PaneRecord& pane, const SkinRect& free);

    std::vector<PaneRecord> m_panes;
    // Parallel to m_panes: a pane window deleted by its owner is skipped by the layout.
    std::vector<QPointer<QWidget>> m_paneWindows;
    std::unique_ptr<CCaptionWnd> m_caption;
    int m_captionFlags = CAPTION_DEFAULT;
    CBaseSkin* m_skin = nullptr;
    int m_templateId = 0;
    bool m_created = false;
    bool m_createResult = false;
    WindowDragger m_dragger;
    QTimer m_cursorCheck;
};
