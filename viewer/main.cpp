// The viewer's start routine: the application, the main window, the message loop.
#include "toolkit/CodePage.h"
#include "toolkit/Forms.h"
#include "viewer/Unit1.h"

int main(int argc, char** argv)
{
    Application->Initialize(argc, argv);
    // The shell has split the command line; the program's texts, file names included,
    // are cp1251 inside.
    for (int i = 1; i < argc; ++i)
        ProgramArguments.push_back(Utf8ToCp1251(argv[i]));
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
