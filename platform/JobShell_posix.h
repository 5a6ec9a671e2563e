#pragma once

#include "platform/Result.h"

#include <string>
#include <sys/types.h>

namespace platform {

// The job shells behind launchBatchDetached: one /bin/sh for each job slot,
// started with the slot's first job and kept for the next ones. For the
// user-interface thread only.

// Hands one job command (quorvel_job BATCH FOLDER UMASK LINE..., every value
// quoted) to the slot's job shell, starting one when there is none or the
// one there is still busy.
Status sendToJobShell(int slot, const std::string& command);

// Kills every job shell, with what its jobs run, and reaps them.
void killJobShells();

// The slot's job shell, or -1 when it has none.
pid_t jobShellPid(int slot);

} // namespace platform
