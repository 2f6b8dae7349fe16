#include "support_qt/QtTestApplication.h"

#include "skin/BaseWnd.h"
#include "skin/QtImageDecoder.h"

#include <gtest/gtest.h>

#include <memory>

namespace qttest {

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
        char m_name[16] = "tessaly_tests";
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

} // namespace qttest
