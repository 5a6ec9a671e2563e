#pragma once

#include "platform/Result.h"

#include <string>

namespace platform {

// Runs a batch file hidden and detached: a /bin/sh reads it line by line,
// drops each line's carriage return and runs the line, in workingFolder, with
// standard input and output on /dev/null. Nothing waits for it and it leaves
// no zombie. The result says only whether the shell could be started.
// The jobs are started by one job shell, which the first job starts and
// which lives as long as the program, so a job costs neither a fork of the
// program nor the start of a shell; jobs get the environment the program had
// when the job shell started. For the user-interface thread only.
// The second line (a job's command) runs with the program's umask; the other
// lines (a job's markers) with umask 077, so what they make is the user's alone.
Status launchBatchDetached(const std::string& batchFile, const std::string& workingFolder);

// Quotes a text for the shell when it holds any character outside
// A-Z a-z 0-9 / . _ -; returns it byte for byte otherwise.
std::string shellQuoteIfNeeded(const std::string& text);

} // namespace platform
