#pragma once

#include "store/RunList.h"

#include <optional>
#include <string>
#include <vector>

// The folders a backup run left out, and where each can be had whole: what
// a restore of that run names at its end, and what the command line names
// when it picks a run with failed folders.

struct FailedFolder {
    std::string path; // the folder's real path, ending in a separator
    std::string why; // why the run left it out, one line
    std::optional<std::string> heldBy; // the date text of the newest run that holds it whole
    bool partly = false; // the run holds an archive of it without some of its files
};

// Whether `run` holds the folder `path` whole: its journal lists the folder
// as held and not as failed, and its archive is a plain file in the run
// folder. A run made before there were journals holds it when it reached
// its end and its archive is there.
bool HoldsWhole(const StoredRun& run, const std::optional<RunJournal>& journal, const std::string& path,
    const std::string& archive);

// The folders the run in `runFolder` left out, as its journal lists them,
// each with the newest of `runs` (in their order, newest first) other than
// that run which holds it whole. Each run's journal is read once at most.
std::vector<FailedFolder> FailedFoldersOf(const std::string& runFolder, const std::vector<StoredRun>& runs);

// The log line that names one: "Not in this backup: /home/me/x/ (held whole
// by the backup of <date>)", or "(held by no backup)"; "Not whole in this
// backup" for a folder the run holds without some of its files.
std::string NotInThisBackupLine(const FailedFolder& folder);
