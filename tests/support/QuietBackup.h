#pragma once

#include "store/Run.h"

#include <functional>
#include <string>
#include <vector>

class BackupRun;
class MainFields;

// Whole backups without a window, for the tests of what a backup stores.
namespace testsupport {

// Makes the folder `name` under `parent` with two small files, "a.txt" and
// "b.txt" ("a of <name>", "b of <name>"); returns it with its separator.
std::string folderWithFiles(const std::string& parent, const std::string& name);

// What one backup without a window did.
struct QuietBackup {
    std::vector<std::string> log; // oldest line first
    RunSummary summary;
    std::string runFolder; // with its separator
};

// Runs one whole backup of the fields' sources, calling `onLine` (when
// given) with the run and every log line as it is written.
QuietBackup backUpWithoutWindow(const MainFields& fields, const std::string& appFolder,
    const std::function<void(BackupRun&, const std::string&)>& onLine = {});

} // namespace testsupport
