#pragma once

#include <string>
#include <vector>

// What the progress windows read from the main window when they need it:
// the backup target, the source list as it stands and the restore target.
class MainFields {
public:
    virtual ~MainFields() = default;
    virtual std::string backupTarget() const = 0; // txtTo
    virtual std::vector<std::string> sourceFolders() const = 0; // lstFrom, top to bottom
    virtual std::string restoreTarget() const = 0; // txtUnBackupTo
    // True when a backup must compress every folder again rather than take
    // over the unchanged ones from the previous run.
    virtual bool fullBackup() const { return false; }
    // How many archiver jobs a run keeps going at once; 0 lets the run
    // choose from the cores and memory it may use.
    virtual int jobs() const { return 0; }
    // The patterns of what a backup leaves out, one per entry, as saved.
    virtual std::vector<std::string> exclusionPatterns() const { return {}; }
    // True when a backup walks hidden folders like any other.
    virtual bool backUpHiddenFolders() const { return false; }
};
