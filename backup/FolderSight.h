#pragma once

#include "store/FolderSeen.h"

#include <optional>
#include <string>
#include <vector>

// The look a backup takes at a folder before its archiver starts: what the
// run keeps in its journal, and what the next run compares with what it sees.
struct FolderSight {
    std::optional<FolderSeen> seen; // none when the folder cannot be listed
    // The folder's file system keeps change times only the kernel sets; on
    // any other a look cannot tell a change, and the folder is always compressed.
    bool changeTimesKept = false;
    // The names in it that the exclusion patterns leave out of its archive
    // and its count, in byte order: a change of them is a change of the folder.
    std::vector<std::string> leftOut;
};

FolderSight LookAtFolder(const std::string& folder, const std::string& archiveName);
