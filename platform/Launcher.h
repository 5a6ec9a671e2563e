#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Runs a batch file hidden and detached: its lines, each without the
// carriage return of its CRLF line end (the last line may have none), are
// run in order by a /bin/sh in workingFolder, with standard input and output
// on /dev/null. The file is read when the job is launched, and the job holds
// it open while it runs. Nothing waits for it and it leaves no zombie. The
// result says only whether the job could be handed to a shell.
// The second line (a job's command) runs with the program's umask; the other
// lines (a job's markers) with umask 077, so what they make is the user's alone.
// The jobs are run by a job shell, which the first job starts and which
// lives as long as the program, so a job costs neither a fork of the program
// nor the start of a shell; jobs get the environment the program had when
// the job shell started. A job launched while an earlier one still runs gets
// a new shell, so it starts at once all the same. A job shell is killed when
// the program ends, even by SIGKILL. For the main (user-interface) thread
// only: a job launched from another thread is refused, since the shell's
// death signal would follow that thread. Jobs meant to run side by side
// name their `slot`: each slot has job shells of its own, so a launch never
// waits for a shell that another slot's job keeps busy. What a job starts
// is killed with its job shell when the program ends, however it ends.
Status launchBatchDetached(const std::string& batchFile, const std::string& workingFolder, int slot = 0);

// Kills every job launched and still running, with the archiver it runs,
// and waits until they are gone; the next job gets a new job shell. For the
// user-interface thread only.
void killBatchJobs();

// The bytes the job running in `slot` has read so far: what its archiver,
// and anything else it started, read by the kernel's count. So a job whose
// archiver says nothing of its progress can still be followed. Empty when
// no job of the slot's can be looked at.
std::optional<std::uint64_t> batchJobBytesRead(int slot = 0);

// Quotes a text for the shell when it holds any character outside
// A-Z a-z 0-9 / . _ -; returns it byte for byte otherwise.
std::string shellQuoteIfNeeded(const std::string& text);

} // namespace platform
