#include "UiTestSupport.h"

#include "skin/BaseWnd.h"
#include "skin/QtImageDecoder.h"

#include <gtest/gtest.h>

#include <memory>

namespace uitest {

namespace {

    // Owns the application object from the first test that needs it until every test has run;
    // destroyed at exit instead, it would outlive parts of Qt it still uses.
    class ApplicationEnvironment final : public ::testing::Environment {
    public:
        QApplication& Get()
        {
            if (!m_app) {
                if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                    qputenv("QT_QPA_PLATFORM", "offscreen");
                m_app = std::make_unique<QApplication>(m_argc, m_argv);
            }
            return *m_app;
        }
        void TearDown() override { m_app.reset(); }

    private:
        int m_argc = 1;
        char m_name[16] = "skin_ui_tests";
        char* m_argv[2] = { m_name, nullptr };
        std::unique_ptr<QApplication> m_app;
    };

    // GoogleTest takes ownership of registered environments.
    ApplicationEnvironment* const g_environment = static_cast<ApplicationEnvironment*>(
        ::testing::AddGlobalTestEnvironment(std::make_unique<ApplicationEnvironment>().release()));

} // namespace

QApplication& App()
{
    return g_environment->Get();
}

CKVSkin& DefaultSkin()
{
    static std::unique_ptr<CKVSkin> skin = [] {
        App();
        auto loaded = std::make_unique<CKVSkin>(std::make_unique<QtImageDecoder>());
        const int result = loaded->LoadSkin(TESSALY_DEFAULT_SKIN);
        EXPECT_EQ(result, SKINLOAD_OK) << "cannot load " << TESSALY_DEFAULT_SKIN;
        loaded->SetWindowLookup(&CBaseWnd::FindWindowIdByTitle);
        return loaded;
    }();
    return *skin;
}

void SendMouse(
    QWidget* widget, QEvent::Type type, const QPoint& point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(
        type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Press(QWidget* widget, const QPoint& point)
{
    SendMouse(widget, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
}

void Release(QWidget* widget, const QPoint& point)
{
    SendMouse(widget, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
}

void Click(QWidget* widget, const QPoint& point)
{
    Press(widget, point);
    Release(widget, point);
}

void DoubleClick(QWidget* widget, const QPoint& point)
{
    Click(widget, point);
    SendMouse(widget, QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
    Release(widget, point);
}

void Move(QWidget* widget, const QPoint& point, bool leftHeld)
{
    SendMouse(widget, QEvent::MouseMove, point, Qt::NoButton, leftHeld ? Qt::LeftButton : Qt::NoButton);
}

void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

QPoint Centre(const SkinItem& item)
{
    return QPoint((item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2);
}

void NotificationLog::Watch(QObject* window)
{
    QObject::connect(qobject_cast<CBaseWnd*>(window), &CBaseWnd::ItemNotified,
        [this](int code, const ItemNotifyInfo& info) {
            entries.push_back(Notification { code, info.sender, info.item != nullptr ? info.item->id : -1 });
        });
}

int NotificationLog::Count(int code) const
{
    int count = 0;
    for (const Notification& entry : entries)
        count += entry.code == code ? 1 : 0;
    return count;
}

SkinItem MakeItem(int id, int layout, int width, int height, float widthPercent)
{
    SkinItem item;
    item.id = id;
    item.layout = layout;
    item.rect = { 0, 0, width, height };
    item.widthPercent = widthPercent;
    return item;
}

} // namespace uitest
