#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

// The last steps of a backup run, which make it complete after a power cut
// as well: what the run wrote reaches the disk before the run says it is
// complete, and the word that it is complete reaches it after.

// Writes to disk the file system of the store, then each of `files` (the
// archives and count files the run made or linked, full paths) where that
// flush cannot tell of a lost write, else sees that each is still there; then
// the run folder and the backup target, which names the run folder. The
// first failure ends the steps: such a run is not to be marked complete.
platform::Status MakeRunDurable(
    const std::string& backupTarget, const std::string& runFolder, const std::vector<std::string>& files);

// Writes the run folder to disk once its incomplete marker is gone.
platform::Status SyncAfterMarkerRemoved(const std::string& runFolder);
