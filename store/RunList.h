#pragma once

#include "store/RunJournal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The runs in a backup target, in the one order every place that shows or
// picks runs uses: by when they started.

struct StoredRun {
    std::string date; // the run folder's name decoded: the date text the user sees
    std::string folder; // the run folder's path, without trailing separator
    // When the run started, nanoseconds since 1970 (UTC): from its record,
    // else from its name read under every regional setting.
    std::int64_t started = 0;
    bool recorded = false; // `started` comes from the run's own record
    RunVerdict verdict;
};

// Every entry directly in the backup target (hidden ones left out) whose name
// reads as a date under some regional setting the machine has, newest first:
// by the start the run recorded, or for a run without a record by the moment
// its name names. Runs whose record cannot be read are placed by their name.
// Throws RunError when the backup target cannot be listed.
std::vector<StoredRun> ListRuns(const std::string& backupTarget);

// The newest run that reached its end (complete or failed), or none.
std::optional<StoredRun> NewestEndedRun(const std::vector<StoredRun>& runs);

// True when the run reached its end: it removed its incomplete marker.
inline bool ReachedItsEnd(const RunVerdict& verdict)
{
    return verdict.outcome == RunOutcome::Complete || verdict.outcome == RunOutcome::Failed;
}
