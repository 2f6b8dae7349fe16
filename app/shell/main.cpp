#include "shell/TessalyApp.h"

int main(int argc, char** argv)
{
    return CTessalyApp::Run(argc, argv);
}
