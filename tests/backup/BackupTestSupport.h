#pragma once

#include "store/MainFields.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

namespace backuptest {

// The main window's fields as a backup run reads them.
class FakeMain : public MainFields {
public:
    std::string target;
    std::vector<std::string> sources;
    std::string restore;

    std::string backupTarget() const override { return target; }
    std::vector<std::string> sourceFolders() const override { return sources; }
    std::string restoreTarget() const override { return restore; }
};

// The names in a folder, hidden ones included, sorted.
std::vector<std::string> allNames(const std::string& folder);

// The single run folder under a backup target (empty when there is none or
// more than one), without trailing separator.
std::string onlyRunFolder(const std::string& backupTarget);

// Every file below `root` whose name ends in ".7z", at any depth: archives
// a run must not leave in the user's folders.
std::vector<std::string> archivesBelow(const std::string& root);

// True when this process ignores folder permissions (it runs as root), so
// that an unreadable folder cannot be made for it.
bool permissionsIgnored();

// For a test that needs folder permissions to hold: runs this test program
// again as the unprivileged user "nobody", with only the current test, and
// returns its exit status; -1 when that is not possible here.
int rerunUnprivileged();
bool isUnprivilegedRerun();

} // namespace backuptest

// Opens a test that needs folder permissions to hold. Run as root, the test
// runs again as "nobody" and its outcome is taken from there.
#define BACKUPTEST_NEEDS_PERMISSIONS()                                                             \
    if (backuptest::permissionsIgnored()) {                                                        \
        ASSERT_FALSE(backuptest::isUnprivilegedRerun()) << "the unprivileged rerun ignores permissions"; \
        const int status = backuptest::rerunUnprivileged();                                        \
        if (status < 0)                                                                             \
            GTEST_SKIP() << "runs as root and cannot run again as an unprivileged user";            \
        EXPECT_EQ(status, 0) << "the test failed when run as an unprivileged user";                 \
        return;                                                                                     \
    }
