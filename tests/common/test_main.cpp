// Test entry point: every test program runs with one headless application
// object, so widgets, fonts and images work without a display.
#include <gtest/gtest.h>

#include "toolkit/TestSupport.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    InitTestApplication(argc, argv);
    return RUN_ALL_TESTS();
}
