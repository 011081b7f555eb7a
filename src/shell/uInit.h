// Start-up and shutdown (module uInit). The program starts in one fixed
// order: the program body makes the application and the main window,
// GlobalInit every other object, and SecondInit (at the first idle moment)
// applies the settings file. Shutdown ends a run and writes the settings at
// the window's close, and frees the hub after the event loop.
#pragma once

#include <string>

namespace qx {

class TMainForm;

int ProgramMain(int argc, char** argv);
// Creates every object after the main window, in the fixed order. The form
// must exist (MainForm).
void GlobalInit(TMainForm& form);
// Once, at the first idle moment after GlobalInit.
void SecondInit();
bool SecondInitDone();
// The main window's close query: the run ends, the settings are written.
void GlobalCloseQuery();
// After the event loop: every object GlobalInit made is freed, threads
// joined first. GlobalInit may run again afterwards (tests).
void GlobalFree();

// A new, empty project: disconnected, no ports, one empty sheet.
void NewProject();

}  // namespace qx
