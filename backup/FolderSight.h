#pragma once

#include "store/FolderSeen.h"

#include <optional>
#include <string>

// The look a backup takes at a folder before its archiver starts: what the
// run keeps in its journal, and what the next run compares with what it sees.
struct FolderSight {
    std::optional<FolderSeen> seen; // none when the folder cannot be listed
    // The folder's file system keeps change times only the kernel sets; on
    // any other a look cannot tell a change, and the folder is always compressed.
    bool changeTimesKept = false;
};

FolderSight LookAtFolder(const std::string& folder, const std::string& archiveName);
