// Hooks for headless tests: the application object without a display.
#pragma once

// Creates the process-wide application object on the offscreen platform
// (unless QT_QPA_PLATFORM names another) if none exists yet.
void InitTestApplication(int& argc, char** argv);
