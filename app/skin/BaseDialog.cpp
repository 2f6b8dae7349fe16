#include "skin/BaseDialog.h"

#include "skin/BaseSkin.h"
#include "skin/CaptionWnd.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace {

int Percent(float percent, int space)
{
    return static_cast<int>(static_cast<float>(std::max(space, 0)) * percent / 100.0F);
}

// The free area less a pane's place, the way docked bars take space: only a place that spans the
// whole free area in one direction and covers one of its edges removes anything.
SkinRect Subtract(SkinRect free, const SkinRect& place)
{
    if (place.IsEmpty())
        return free;
    const bool spansWidth = place.left <= free.left && place.right >= free.right;
    const bool spansHeight = place.top <= free.top && place.bottom >= free.bottom;
    if (spansWidth && spansHeight) {
        free.bottom = free.top;
    } else if (spansWidth) {
        if (place.top <= free.top && place.bottom > free.top)
            free.top = place.bottom;
        else if (place.bottom >= free.bottom && place.top < free.bottom)
            free.bottom = place.top;
    } else if (spansHeight) {
        if (place.left <= free.left && place.right > free.left)
            free.left = place.right;
        else if (place.right >= free.right && place.left < free.right)
            free.right = place.left;
    }
    return free;
}

Qt::CursorShape CursorOf(FrameHit hit)
{
    switch (hit) {
    case FrameHit::Left:
    case FrameHit::Right:
        return Qt::SizeHorCursor;
    case FrameHit::Top:
    case FrameHit::Bottom:
        return Qt::SizeVerCursor;
    case FrameHit::TopLeft:
    case FrameHit::BottomRight:
        return Qt::SizeFDiagCursor;
    case FrameHit::TopRight:
    case FrameHit::BottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

CBaseDialog::CBaseDialog(int templateId, CBaseSkin* skin, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_skin(skin)
    , m_templateId(templateId)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    // The platform's controls on the panes (fields, lists, text boxes) take the skin's colours and
    // font from the dialog, as every child does.
    if (m_skin != nullptr) {
        setPalette(ControlPalette(*m_skin, palette()));
        setFont(SkinBaseFont(*m_skin));
    }
    m_cursorCheck.setInterval(CURSOR_CHECK_MS);
    connect(
        &m_cursorCheck, &QTimer::timeout, this, [this] { UpdateFrameCursor(mapFromGlobal(QCursor::pos())); });
}

CBaseDialog::~CBaseDialog()
{
    RemoveAllPanes();
}

void CBaseDialog::setVisible(bool visible)
{
    if (visible && !m_created)
        (void)Create();
    QDialog::setVisible(visible);
}

bool CBaseDialog::Create()
{
    if (!m_created) {
        m_created = true;
        m_createResult = OnInitDialog();
        LayoutPanes();
    }
    return m_createResult;
}

bool CBaseDialog::OnInitDialog()
{
    if (m_captionFlags == 0)
        return true;
    m_caption = std::make_unique<CCaptionWnd>(m_skin, m_captionFlags, this);
    if (!m_caption->Create(QStringLiteral("CaptionWnd"), 0, this, CCaptionWnd::CAPTION_WND_ID))
        return false;
    PaneRecord pane;
    pane.pane = m_caption.get();
    pane.id = CCaptionWnd::CAPTION_WND_ID;
    pane.rect = { 0, 0, 0, CCaptionWnd::HEIGHT };
    pane.anchor = PANE_TOP | PANE_LEFT | PANE_FIXED_HEIGHT;
    // Inset so that the dialog's resizing edge around it stays uncovered.
    pane.options = PANEOPT_INSET;
    return AddPane(pane);
}

bool CBaseDialog::AddPane(const PaneRecord& pane)
{
    const bool known = std::any_of(
        m_panes.begin(), m_panes.end(), [&](const PaneRecord& record) { return record.pane == pane.pane; });
    if (known)
        return false;
    if (pane.pane != nullptr && pane.pane->parentWidget() != this) {
        pane.pane->setParent(this);
        pane.pane->show();
    }
    m_panes.push_back(pane);
    m_paneWindows.emplace_back(pane.pane);
    (void)OnPaneAdded(&m_panes.back());
    return true;
}

void CBaseDialog::RemoveAllPanes()
{
    while (!m_panes.empty()) {
        PaneRecord pane = m_panes.front();
        m_panes.erase(m_panes.begin());
        m_paneWindows.erase(m_paneWindows.begin());
        (void)OnPaneRemoved(&pane);
    }
}

QColor CBaseDialog::GetDialogColour(int which) const
{
    return ColourFromArgb(m_skin->GetSkinColour(0, 0, which));
}

int CBaseDialog::GetDialogMode(int which) const
{
    return m_skin->GetSkinMode(0, 0, which);
}

void CBaseDialog::SetCaptionText(const QString& text)
{
    setWindowTitle(text);
    if (m_caption)
        m_caption->SetTitle(text);
}

// ---- Layout -------------------------------------------------------------------------------------

void CBaseDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutPanes();
}

void CBaseDialog::LayoutPanes()
{
    if (isMinimized())
        return;
    SkinRect free { 0, 0, width(), height() };
    for (std::size_t index = 0; index < m_panes.size(); ++index) {
        PaneRecord& pane = m_panes[index];
        if (m_paneWindows[index].isNull())
            continue;
        SkinRect place;
        if (OnLayoutPane(&pane) != 0) {
            const QRect geometry = pane.pane->geometry();
            place = { geometry.left(), geometry.top(), geometry.left() + geometry.width(),
                geometry.top() + geometry.height() };
        } else {
            place = LayoutPane(pane, free);
        }
        free = Subtract(free, place);
    }
}

SkinRect CBaseDialog::LayoutPane(PaneRecord& pane, const SkinRect& free)
{
    SkinRect place = pane.rect;
    const bool fixedHeight = (pane.anchor & PANE_FIXED_HEIGHT) != 0;
    const bool fixedWidth = (pane.anchor & PANE_FIXED_WIDTH) != 0;
    const int height = fixedHeight
        ? pane.rect.Height()
        : Percent(pane.heightPercent, free.Height() - pane.marginTop - pane.marginBottom);
    const int width = fixedWidth
        ? pane.rect.Width()
        : Percent(pane.widthPercent, free.Width() - pane.marginLeft - pane.marginRight);
    if ((pane.anchor & PANE_TOP) != 0) {
        place.top = free.top + pane.marginTop;
        place.bottom = place.top + height;
    } else if ((pane.anchor & PANE_BOTTOM) != 0) {
        place.bottom = free.bottom - pane.marginBottom;
        place.top = place.bottom - height;
    }
    if ((pane.anchor & PANE_LEFT) != 0) {
        place.left = free.left + pane.marginLeft;
        place.right = place.left + width;
    } else if ((pane.anchor & PANE_RIGHT) != 0) {
        place.right = free.right - pane.marginRight;
        place.left = place.right - width;
    }
    SkinRect window = place;
    if ((pane.options & PANEOPT_INSET) != 0) {
        window.left += pane.insetX;
        window.right -= pane.insetX;
        window.top += pane.insetY;
        window.bottom -= pane.insetY;
    }
    pane.pane->setGeometry(
        window.left, window.top, std::max(window.Width(), 0), std::max(window.Height(), 0));
    return place;
}

// ---- Painting -----------------------------------------------------------------------------------

void CBaseDialog::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect client = rect();
    const int mode = GetDialogMode(SKINMODE_WND_BK);
    if (OnDrawBackground(client, painter, mode) != 0)
        return;
    if (mode == BKMODE_SOLID) {
        painter.fillRect(client, GetDialogColour(SKINCOLOUR_WND_BKBEGIN));
    } else if (mode == BKMODE_GRADIENT) {
        painter.fillRect(client,
            GradientBrush(client, GetDialogColour(SKINCOLOUR_WND_BKBEGIN),
                GetDialogColour(SKINCOLOUR_WND_BKEND), GetDialogMode(SKINMODE_WND_GRAD)));
    }
}

// ---- Frame --------------------------------------------------------------------------------------

FrameHit CBaseDialog::HitTest(const QSize& size, const QPoint& point, bool resizable)
{
    if (!resizable)
        return FrameHit::Caption;
    const int x = point.x();
    const int y = point.y();
    const int width = size.width();
    const int height = size.height();
    if (x >= 1 && x < width - 1 && y >= 1 && y < height - 1)
        return FrameHit::Client;
    if (x <= 1 && y >= height - 2)
        return FrameHit::BottomLeft;
    if (x <= 1 && y <= 1)
        return FrameHit::TopLeft;
    if (x >= width - 2 && y <= 1)
        return FrameHit::TopRight;
    if (x >= width - 2 && y >= height - 2)
        return FrameHit::BottomRight;
    if (x <= 0)
        return FrameHit::Left;
    if (y <= 0)
        return FrameHit::Top;
    if (y >= height - 2)
        return FrameHit::Bottom;
    return FrameHit::Right;
}

Qt::Edges CBaseDialog::EdgesOf(FrameHit hit)
{
    switch (hit) {
    case FrameHit::Left:
        return Qt::LeftEdge;
    case FrameHit::Top:
        return Qt::TopEdge;
    case FrameHit::Right:
        return Qt::RightEdge;
    case FrameHit::Bottom:
        return Qt::BottomEdge;
    case FrameHit::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case FrameHit::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case FrameHit::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case FrameHit::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

void CBaseDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || isMaximized()) {
        QDialog::mousePressEvent(event);
        return;
    }
    const FrameHit hit = HitTest(size(), event->position().toPoint(), Resizable());
    const QPoint global = event->globalPosition().toPoint();
    if (hit == FrameHit::Caption)
        (void)m_dragger.BeginMove(this, global);
    else if (hit != FrameHit::Client)
        (void)m_dragger.BeginResize(this, EdgesOf(hit), global);
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragger.Update(event->globalPosition().toPoint()))
        return;
    if (event->buttons() == Qt::NoButton)
        UpdateFrameCursor(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::UpdateFrameCursor(const QPoint& point)
{
    // Children inherit the dialog's cursor, and the dialog hears nothing when the mouse goes from
    // its edge into a child: the resize cursor is checked again until the mouse has left the edge.
    const bool onEdge = !isMaximized() && rect().contains(point) && childAt(point) == nullptr
        && EdgesOf(HitTest(size(), point, Resizable())) != Qt::Edges {};
    if (!onEdge) {
        m_cursorCheck.stop();
        unsetCursor();
        return;
    }
    setCursor(CursorOf(HitTest(size(), point, Resizable())));
    m_cursorCheck.start();
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragger.End();
    QDialog::mouseReleaseEvent(event);
}

void CBaseDialog::keyPressEvent(QKeyEvent* event)
{
    // Keys are not dialog navigation here: Enter and Escape must not end the dialog, so QDialog's
    // handling is passed over on purpose.
    QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void CBaseDialog::keyReleaseEvent(QKeyEvent* event)
{
    QWidget::keyReleaseEvent(event);
}

bool CBaseDialog::focusNextPrevChild(bool /*next*/)
{
    // Tab does not move the focus between the dialog's controls.
    return false;
}

void CBaseDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        if (m_caption)
            m_caption->UpdateMaximizeButton();
        LayoutPanes();
    }
}

// ---- Notifications ------------------------------------------------------------------------------

int CBaseDialog::OnItemNotify(int code, const ItemNotifyInfo& info)
{
    switch (code) {
    case ITEMNOTIFY_CLICK:
        return OnItemClick(info);
    case ITEMNOTIFY_DBLCLK:
        return OnItemDblClk(info);
    default:
        return 0;
    }
}

int CBaseDialog::OnItemClick(const ItemNotifyInfo& info)
{
    if (info.sender != CCaptionWnd::CAPTION_WND_ID || info.item == nullptr)
        return 0;
    switch (info.item->id) {
    case CCaptionWnd::ITEM_CLOSE:
        OnCloseCommand();
        return 1;
    case CCaptionWnd::ITEM_MAXIMIZE:
        OnMaximizeRestore();
        return 1;
    case CCaptionWnd::ITEM_MINIMIZE:
        OnMinimizeCommand();
        return 1;
    case CCaptionWnd::ITEM_MAINMENU:
        OnMainMenuCommand();
        return 1;
    case CCaptionWnd::ITEM_LOGO:
        OnLogoCommand();
        return 1;
    default:
        return 0;
    }
}

int CBaseDialog::OnItemDblClk(const ItemNotifyInfo& info)
{
    if (info.sender != CCaptionWnd::CAPTION_WND_ID || info.item != nullptr)
        return 0;
    if (OnCaptionDblClk() == 0)
        OnMaximizeRestore();
    return 1;
}

void CBaseDialog::OnMaximizeRestore()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void CBaseDialog::OnCloseCommand()
{
    reject();
}

void CBaseDialog::OnMinimizeCommand()
{
    showMinimized();
}
