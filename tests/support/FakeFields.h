#pragma once

#include "store/MainFields.h"

#include <string>
#include <vector>

namespace testsupport {

// The main window's three fields as the runs and their windows read them:
// txtTo, lstFrom (top to bottom) and txtUnBackupTo.
class FakeFields : public MainFields {
public:
    std::string to;
    std::vector<std::string> from;
    std::string unBackupTo;
    bool full = false;
    std::vector<std::string> exclusions;
    bool hiddenToo = false;
    // Archiver jobs at once: one, as a run always had, unless a test asks
    // for more (0 lets the run choose from the processors).
    int jobCount = 1;

    std::string backupTarget() const override { return to; }
    std::vector<std::string> sourceFolders() const override { return from; }
    std::string restoreTarget() const override { return unBackupTo; }
    bool fullBackup() const override { return full; }
    std::vector<std::string> exclusionPatterns() const override { return exclusions; }
    bool backUpHiddenFolders() const override { return hiddenToo; }
    int jobs() const override { return jobCount; }
};

} // namespace testsupport
