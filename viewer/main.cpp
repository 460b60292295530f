// The viewer's start routine: the application, the main window, the message loop.
#include "toolkit/Forms.h"
#include "viewer/Unit1.h"

int main(int argc, char** argv)
{
    Application->Initialize(argc, argv);
    // The shell has split the command line already. The arguments are file names and
    // stay the file system's bytes (the platform has taken out its own options).
    for (int i = 1; i < argc; ++i)
        ProgramArguments.push_back(argv[i]);
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
