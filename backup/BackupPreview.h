#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MainFields;

// What a backup of the fields' sources would store and leave out, found by
// the backup's own walk and rules without writing anything: no run folder,
// no job, no archive.

struct PreviewFolder {
    std::string path; // with its separator
    std::int64_t files = 0; // as the folder's count file would count them
    std::uint64_t bytes = 0; // of the plain files its archive would read, hidden ones too
};

struct PreviewLeftOut {
    std::string path; // a folder ends in its separator, a file does not
    std::string why; // the rule that leaves it out
};

struct BackupPreview {
    std::vector<PreviewFolder> folders; // in the order the backup takes them
    std::vector<PreviewLeftOut> leftOut; // in byte order of paths
    std::vector<std::string> warnings; // as the backup would log them
    std::int64_t files = 0;
    std::uint64_t bytes = 0;
    std::size_t foldersLeftOut = 0;
    std::size_t filesLeftOut = 0;
};

// Walks and looks as a backup would. `keepGoing`, when given, is asked
// between folders; the preview ends early when it says no.
BackupPreview PreviewBackup(
    const MainFields& main, const std::string& appFolder, const std::function<bool()>& keepGoing = {});
