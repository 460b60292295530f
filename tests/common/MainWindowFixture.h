// The main window made and shown as the program starts it, without arguments, freed after
// each test with the changed-text flag reset.
#pragma once

#include <gtest/gtest.h>

#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

class ShownMainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ProgramArguments.clear();
        Form1 = new TForm1(nullptr);
        Form1->AfterConstruction();
        Form1->ShowForm();
        ProcessEvents();
    }

    void TearDown() override
    {
        delete Form1;
        Form1 = nullptr;
        DataModified = 0;
    }
};
