#include <cstdio>

// Stand-in until the main window exists: says so instead of pretending to work.
int main()
{
    std::fputs("Tessaly: the main window is not built yet; only its libraries and tests are.\n", stderr);
    return 1;
}
