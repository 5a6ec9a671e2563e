#pragma once

#include <map>
#include <string>

// The program's own runs, each measured in a process of its own so that its
// peak memory is its own: a whole backup and a whole restore through their
// windows, a long log, and folder discovery. Every run prints one line
//   RESULT key=value key=value ...
// on standard output; the driver reads it.
namespace bench {

// Runs the mode named by the arguments (`--child MODE` and its options);
// returns the process's exit status.
int runChild(int argc, char** argv);

// The key=value pairs of a RESULT line in a child's output; empty when there is none.
std::map<std::string, std::string> parseResult(const std::string& output);

} // namespace bench
