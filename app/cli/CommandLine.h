#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Backups, restores and the list of runs from the command line, with no
// display and no window: the very runs the windows hold, with a host that
// writes the log to standard output. A message box becomes a log line and a
// question gets its safe answer.

// What the process returns.
inline constexpr int kExitDone = 0; // everything done and checked: a complete run
inline constexpr int kExitFailed = 1; // the run is not complete: failed folders, stopped, cut short
inline constexpr int kExitCannotStart = 2; // the run could not start, or the arguments make no command

// True when the arguments ask for the command line rather than the windows:
// the first one is a long option ("--...") or a short one ("-h", "-V").
bool isConsoleCommand(int argc, char** argv);

// Carries out the command in `args` (the arguments after the program's
// name) and returns the process's exit status. Needs a QCoreApplication;
// SIGTERM and SIGINT stop a run as the stop in its window does.
int runConsoleCommand(
    const std::vector<std::string>& args, const std::string& appFolder, std::ostream& out, std::ostream& err);
