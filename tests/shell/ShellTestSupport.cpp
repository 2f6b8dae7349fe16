#include "ShellTestSupport.h"

#include "support_qt/QtTestApplication.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace shelltest {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string MainWindowRig::MakeFile(const std::string& name) const
{
    const std::string path = Folder() + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "x";
    return path;
}

CTessalyDlg::Environment MainWindowRig::Environment()
{
    CTessalyDlg::Environment environment;
    environment.ConfigPath = ConfigPath();
    environment.ProgramFolder = Folder();
    environment.VersionUrl = versionUrl;
    environment.SupportUrl = supportUrl;
    environment.HomeUrl = homeUrl;
    environment.CreateControl = [this](sonarel::ISonarelEvents*) {
        auto fake = std::make_unique<FakeControl>();
        control = fake.get();
        return std::unique_ptr<sonarel::ISonarel>(std::move(fake));
    };
    environment.Messages = &messages;
    environment.Prompts = &prompts;
    environment.AutomaticUpdateCheck = !versionUrl.empty();
    environment.AutostartEntry = AutostartPath();
    environment.ProgramPath = Folder() + "Tessaly";
    environment.MeasureLoudness = measureLoudness;
    return environment;
}

void MainWindowRig::Open(int width, int height)
{
    qttest::App();
    CTessalyDlg::Environment environment = Environment();
    window = std::make_unique<CTessalyDlg>(&qttest::DefaultSkin(), std::move(environment));
    ASSERT_TRUE(window->Create());
    window->resize(width, height);
    window->show();
    window->LayoutPanes();
}

} // namespace shelltest
