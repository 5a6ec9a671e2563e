#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

// Whether a backup run reached its end. A run writes a hidden marker into
// its run folder as soon as the folder exists and removes it as its very
// last step, so a run that was killed, lost its power, stopped on an error
// or was stopped by the user keeps the marker, and looks incomplete to every
// later restore. A restore that knows nothing of the marker, and 7-Zip,
// never see it: it is a hidden file and no archive.
//
// Once the run knows its folders, the marker lists the archive names it set
// out to make, one a line, so that a restore can name the folders the run
// lacks.

inline constexpr char kIncompleteMarker[] = ".incomplete";

// Marks the run folder as not (yet) complete, with the archive names the run
// means to make (none while it does not know them yet). Replaces an earlier
// marker atomically.
platform::Status MarkRunIncomplete(
    const std::string& runFolder, const std::vector<std::string>& archiveNames);

// Marks the run folder as complete: removes the marker.
platform::Status MarkRunComplete(const std::string& runFolder);

struct RunState {
    bool complete = true;
    // For an incomplete run, the archive names it meant to make, as far as
    // it got to list them; empty when it stopped before it knew its folders.
    std::vector<std::string> plannedArchives;
};

// The state of a run folder. A folder without the marker is complete: runs
// made before the marker existed were only ever left complete or not at all.
RunState ReadRunState(const std::string& runFolder);
