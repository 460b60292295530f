// The viewer's start routine: the application, the main window, the message loop.
#include "toolkit/Forms.h"
#include "viewer/Unit1.h"

int main(int argc, char** argv)
{
    Application->Initialize(argc, argv);
    // The shell has split the command line already; the application hands the
    // arguments over in cp1251, the program's own text.
    for (int i = 1; i <= Application->ParamCount(); ++i)
        ProgramArguments.push_back(Application->ParamStr(i));
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
