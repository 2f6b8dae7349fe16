#pragma once

#include "shell/TessalyDlg.h"

#include <string>

class IMessageBox;

// The program: one copy per user, the skin, the main window run modally, and an orderly end.
class CTessalyApp {
public:
    // What a start needs from outside; the program's own by default, tests give scratch ones.
    struct Setup {
        // The single copy lock.
        std::string LockPath;
        std::string SkinPath;
        CTessalyDlg::Environment Window;
        // Not owned; null: the platform's message boxes.
        IMessageBox* Messages = nullptr;
        // Called with the created window before its run, e.g. to end it in a test.
        std::function<void(CTessalyDlg&)> BeforeRun;
    };
    [[nodiscard]] static Setup DefaultSetup();

    // Creates the application object and runs the program. Returns the process's exit code.
    [[nodiscard]] static int Run(int argc, char** argv);
    // Runs the program inside an existing application object: 0 after the main window's run, also
    // when a copy already runs (the user is told); 1 when the program could not start.
    [[nodiscard]] static int Run(const Setup& setup);
};
