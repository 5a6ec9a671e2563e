#pragma once

#include "platform/FileIdentity.h"
#include "store/CheckRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The archive files of a backup target as a check sees them: each distinct
// file once, however many runs hold it under their names (a repeat backup
// takes unchanged archives over as hard links), with the runs that hold it
// and what the last check of it, as it is now, found.

// One name of an archive file: a run and the folder it stands for there.
struct ArchiveHolder {
    std::string runDate; // the run folder's date text
    std::string runFolder; // its path, without trailing separator
    std::string archive; // the archive's name in it
    std::string folder; // the folder it holds: its real path from the run's journal, else the decoded name
};

struct StoreArchive {
    std::string path; // below the target, of the newest run that holds it
    platform::FileIdentity identity;
    std::vector<ArchiveHolder> holders; // newest run first
    std::optional<CheckedFile> last; // the latest check of the file as it is now
};

// Every archive file in the target's run folders (hidden entries and
// anything that is not a plain file left out), with what `record` knows of
// it. Throws RunError when the target cannot be listed.
std::vector<StoreArchive> ListStoreArchives(const std::string& backupTarget, const CheckRecord& record);

// The order a check goes through them: never checked first, then the ones
// checked longest ago; among equals, the newest runs first.
std::vector<std::size_t> CheckOrder(const std::vector<StoreArchive>& archives);

// The full path of an archive file (its newest name).
std::string ArchiveFilePath(const std::string& backupTarget, const StoreArchive& archive);

// The line that names a damaged archive: its folder and every run that holds it.
std::string DamageLine(const StoreArchive& archive);
