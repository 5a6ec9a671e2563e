#pragma once

#include <map>
#include <string>

class QProcess;

// Running this test program again in a process of its own, with one test:
// as a second copy of the program beside the first, or as the unprivileged
// user "nobody" for a test that needs folder permissions to hold.
namespace testsupport {

// This test program's own file.
std::string selfPath();

// True when the current process is root and "nobody" can be used through setpriv.
bool canRunUnprivileged();

// True when this process ignores folder permissions (it runs as root), so
// that an unreadable folder cannot be made for it.
bool permissionsIgnored();

// Starts this test program again in another process, running only the test
// `testName` (disabled ones included), with extra environment variables; its
// output goes where this program's does. When `unprivileged` is set it runs
// as the user "nobody". False when that or the start is not possible.
bool startSelf(QProcess& process, const std::string& testName, const std::map<std::string, std::string>& env,
    bool unprivileged = false);

// The value of an environment variable set through startSelf, or empty.
std::string helperSetting(const char* name);

// For a test that needs folder permissions to hold: runs the current test
// again as "nobody", waits for it and returns its exit status (a crash counts
// as a failure); -1 when that is not possible here.
int rerunUnprivileged();

// True in the process that rerunUnprivileged started.
bool isUnprivilegedRerun();

} // namespace testsupport

// Opens a test that needs folder permissions to hold. Run as root, the test
// runs again as "nobody" and its outcome is taken from there.
#define TESTSUPPORT_NEEDS_PERMISSIONS()                                                                      \
    if (testsupport::permissionsIgnored()) {                                                                 \
        ASSERT_FALSE(testsupport::isUnprivilegedRerun()) << "the unprivileged rerun ignores permissions";    \
        const int status = testsupport::rerunUnprivileged();                                                 \
        if (status < 0)                                                                                      \
            GTEST_SKIP() << "runs as root and cannot run again as an unprivileged user";                     \
        EXPECT_EQ(status, 0) << "the test failed when run as an unprivileged user";                          \
        return;                                                                                              \
    }
