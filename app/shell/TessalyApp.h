#pragma once

// The program: one copy per user, the skin, the main window run modally, and an orderly end.
class CTessalyApp {
public:
    // Returns the process's exit code: 0 after the main window's run, also when a copy already
    // runs (the user was told); 1 when the program could not start.
    [[nodiscard]] static int Run(int argc, char** argv);
};
