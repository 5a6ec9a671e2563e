#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <optional>
#include <string>

// What a backup run notes about itself in its run folder, so that the next
// run can tell which folders cannot have changed since: the moment it
// started, by the wall clock to the nanosecond, and how its archives were
// made. Written as the run begins, never changed afterwards. A hidden file,
// which a restore and 7-Zip never see.

inline constexpr char kRunRecord[] = ".run";

struct RunRecord {
    std::int64_t started = 0; // nanoseconds since 1970, taken before any folder was read
    std::string archiver; // the compression line for a fixed folder: another means other switches
};

platform::Status WriteRunRecord(const std::string& runFolder, const RunRecord& record);

// The record of a run folder; none when there is none or it is damaged.
std::optional<RunRecord> ReadRunRecord(const std::string& runFolder);

// A run folder with its record and whether the run reached its end.
struct RecordedRun {
    std::string folder; // the run folder's path, without trailing separator
    RunRecord record;
    bool complete = false;
};

// The run in the backup target that started last by its record, the run
// folder `except` left out; none when no run there has a record.
std::optional<RecordedRun> LatestRecordedRun(const std::string& backupTarget, const std::string& except);
