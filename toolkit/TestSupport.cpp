#include "toolkit/TestSupport.h"

#include <QApplication>
#include <cstdlib>

void InitTestApplication(int& argc, char** argv)
{
    if (QCoreApplication::instance() != nullptr) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}
