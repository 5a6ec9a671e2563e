#pragma once

#include "tests/restore/RestoreTestSupport.h"

#include <map>
#include <string>
#include <vector>

class QProcess;

namespace hardening {

// This test program's own file.
std::string selfPath();

// Starts this test program again in another process, running only the
// (disabled) test `testName`, with extra environment variables. When
// `unprivileged` is set it runs as the user "nobody"; false when that or the
// start is not possible.
bool startSelf(QProcess& process, const std::string& testName, const std::map<std::string, std::string>& env,
               bool unprivileged = false);

// True when the current process is root and "nobody" can be used through setpriv.
bool canRunUnprivileged();

// The value of an environment variable set by startSelf, or empty.
std::string helperSetting(const char* name);

// Replaces the archiver in the application folder with a shell script whose
// body is `body`; "$REAL" in it names the real archiver.
void writeArchiverScript(const std::string& appFolder, const std::string& body);

// Waits, letting events run, until the path exists; false after the time limit.
bool waitForPath(const std::string& path, int timeoutMs = 30000);

// The permission bits of a path (not following a link), as octal digits' value.
unsigned modeOf(const std::string& path);

// The permission bits that a new file made by this process loses: its umask.
unsigned currentUmask();

// Names of files and folders below `root` whose names begin with "canary".
std::vector<std::string> canariesBelow(const std::string& root);

// A backup store, restore target and application folder with the real
// archiver (from RestoreFixture), and whole backups through the backup window.
class HardeningFixture : public restoretest::RestoreFixture {
protected:
    // Runs the backup window over `sources` to its end and presses "Done";
    // returns its log, oldest line first.
    std::vector<std::string> backUp(const std::vector<std::string>& sources);

    // The entries directly under the backup target (the run folders), full paths, sorted.
    std::vector<std::string> runFolders() const;

    testsupport::TestClock clock;
};

} // namespace hardening
