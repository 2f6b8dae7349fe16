#include "dialogs/LoadFileDlg.h"

#include "skin/QtText.h"
#include "skin/SkinControls.h"
#include "skin/SkinStyle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

namespace {

// The window is 263 x 43 dialog units of a 10-point font.
constexpr int WINDOW_WIDTH = 460;
constexpr int WINDOW_HEIGHT = 70;
// How long Show waits for the window system to put the window on screen.
constexpr int EXPOSE_WAIT_MS = 1000;

} // namespace

CLoadFileDlg::CLoadFileDlg(CBaseSkin* skin, QWidget* parent)
    : CLoadFileDlg(skin, {}, {}, parent)
{
}

CLoadFileDlg::CLoadFileDlg(CBaseSkin* skin, QStringList paths, AddFile addFile, QWidget* parent)
    : CBaseDialog(0, skin, parent)
    , m_paths(std::move(paths))
    , m_addFile(std::move(addFile))
{
    SetCaptionFlags(0);
    setWindowTitle(QStringLiteral("Loading"));
    resize(WINDOW_WIDTH, WINDOW_HEIGHT);
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(START_DELAY_MS);
    connect(&m_startTimer, &QTimer::timeout, this, &CLoadFileDlg::RunPaths);
}

CLoadFileDlg::~CLoadFileDlg() = default;

void CLoadFileDlg::showEvent(QShowEvent* event)
{
    CBaseDialog::showEvent(event);
    if (m_addFile && !m_started) {
        m_started = true;
        m_startTimer.start();
    }
}

void CLoadFileDlg::RunPaths()
{
    m_escapePressed = false;
    for (const QString& path : std::as_const(m_paths)) {
        ShowLoading(path);
        // Lets a pending Escape reach the window; the dialog is modal, so other windows get no input.
        QCoreApplication::processEvents();
        if (m_escapePressed)
            break;
        ++m_handedOver;
        m_addFile(path);
    }
    if (isVisible())
        CBaseDialog::done(QDialog::Accepted);
}

void CLoadFileDlg::done(int result)
{
    // Closed from outside while it hands paths over (the program is asked to end): no further
    // file is added behind the caller's back.
    m_escapePressed = true;
    CBaseDialog::done(result);
}

void CLoadFileDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_escapePressed = true;
        event->accept();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

void CLoadFileDlg::ShowLoading(const QString& path)
{
    m_path = path;
    m_line = QString::fromStdString(persist::LoadingText(path.toStdString()));
    if (isVisible())
        repaint();
}

void CLoadFileDlg::Show()
{
    Create();
    show();
    raise();
    // The readers measure on this thread without returning to the event loop, and a window that is
    // not on screen yet skips every repaint: let the window system put it there first. Input waits.
    // A window system that did not show it in time is not waited for again.
    QElapsedTimer waited;
    waited.start();
    while (m_waitForScreen && isVisible() && windowHandle() != nullptr && !windowHandle()->isExposed()) {
        if (waited.elapsed() >= EXPOSE_WAIT_MS) {
            m_waitForScreen = false;
            break;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, EXPOSE_WAIT_MS);
    }
}

void CLoadFileDlg::ShowLoading(std::string_view path)
{
    ShowLoading(ToQString(path));
}

void CLoadFileDlg::Hide()
{
    hide();
}

QRect CLoadFileDlg::TextRect() const
{
    return { 10, 25, width() - 20, height() - 40 };
}

QFont CLoadFileDlg::TextFont() const
{
    return NamedFont(*Skin(), QStringLiteral("Arial"), 10);
}

QString CLoadFileDlg::DisplayedLine() const
{
    if (m_line.isEmpty())
        return {};
    // Only the path is shortened, so that "Loading" always stays readable.
    const QFontMetrics metrics(TextFont());
    const QString prefix = QStringLiteral("Loading ");
    const int room = TextRect().width() - metrics.horizontalAdvance(prefix);
    return prefix + metrics.elidedText(m_path, Qt::ElideMiddle, std::max(room, 0));
}

void CLoadFileDlg::paintEvent(QPaintEvent* event)
{
    CBaseDialog::paintEvent(event);
    QPainter painter(this);
    painter.setFont(TextFont());
    painter.setPen(GetDialogColour(SKINCOLOUR_OBJ_TEXT));
    painter.drawText(TextRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, DisplayedLine());
}
