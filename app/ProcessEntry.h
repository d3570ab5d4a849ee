#pragma once
// The process entry: one copy per user, Log.txt, the command line, the data folder, the main window and
// its message loop, whose end gives the exit code.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Window.h"

namespace skf {

// The production switches of the command line.
struct CommandLine {
    bool productionSwitchSeen = false;  // some production switch stood on the command line
    bool productionSwitchValue = false; // the last one was "--production" or "/production"
};

// Reads the arguments after the program's path: "--production" and "/production" turn production mode
// on, "--no-production" and "/no-production" off, case ignored, the last one wins; others are ignored.
CommandLine gf_parseCommandLine(const std::vector<std::string>& arguments);

// The whole process: returns the exit code (255 when another copy runs, writing nothing; 255 as well when
// the single-instance lock cannot be taken for another reason, said on standard error with the folder and
// what is wrong with it; 1 when Log.txt cannot be opened, said on standard error). makeBackend chooses the window (FLTK
// when a display is present, else headless) when empty.
using BackendFactory = std::unique_ptr<WindowBackend> (*)(ControlModel&);
int gf_processEntry(int argc, char** argv, BackendFactory makeBackend = nullptr);

// Everything after the single-instance check and the opening of the log.
int lf_runApplication(const CommandLine& commandLine, WindowBackend& backend);

} // namespace skf
