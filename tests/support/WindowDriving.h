#pragma once

#include "platform/MessageBox.h"
#include "restore/windows/frmUnBackup.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class frmBackup;
class frmUnBackupSelectDate;
class frmUnBackupSelectFolders;

// The backup and restore windows driven through whole runs, as a user would.
namespace testsupport {

// Queues an action that runs on the date dialog as soon as it is shown
// modally over `owner` (within a few seconds; the test fails otherwise),
// looking for it every `pollMs` milliseconds.
void whenDateDialogOpens(QWidget* owner, std::function<void(frmUnBackupSelectDate&)> action, int pollMs = 10);

// The same for the folder dialog that follows the date. Unless a test
// queues its own, a date dialog's action that chooses a date is followed by
// one that restores every folder, as a user who only chose the date would.
void whenFoldersDialogOpens(
    QWidget* owner, std::function<void(frmUnBackupSelectFolders&)> action, int pollMs = 10);

// Runs `action` once, as soon as the backup window's run has begun the
// archive of `folder` (with its separator) in its run folder, looking for it
// every 20 milliseconds while events run.
void whenArchiveBegins(frmBackup& window, const std::string& folder, std::function<void()> action);

// Shows the window, lets its run happen and waits until it has finished.
// Returns false when it did not finish within the time limit.
bool runToEnd(QWidget& window, int timeoutMs = 120000);

// Waits, letting events run, until the path exists; false after the time limit.
bool waitForPath(const std::string& path, int timeoutMs = 30000);

// A backup target, a restore target and an application folder with the real
// archiver, and a way to run whole restores in them.
class RestoreFixture : public ::testing::Test {
protected:
    RestoreFixture();

    // Runs one restore in a fresh restore window, to its end. The date dialog
    // chooses `chosen` and confirms it (or is cancelled when `chosen` is
    // empty); the boxes after the confirmation get `later` in order. Returns
    // the log, oldest line first.
    std::vector<std::string> restore(const std::string& chosen, std::vector<platform::MsgAnswer> later = {});

    // The boxes shown, leaving out the date dialog's question.
    std::vector<ShownBox> shownAfterQuestion() const;

    ScopedAppFolder app;
    std::string appFolder = app.path(); // what restore() hands its window
    ScriptedMessageBoxes boxes;
    TempDir dir;
    FakeFields fields;
    std::string date; // the date text of the test's backup run
    std::string runFolder; // its run folder, trailing separator included
    std::unique_ptr<frmUnBackup> window; // the latest restore window
};

// The same, with a clock the test sets, and whole backups through the backup
// window.
class BackupRestoreFixture : public RestoreFixture {
protected:
    // Runs the backup window over `sources` to its end and presses "Done";
    // returns its log, oldest line first.
    std::vector<std::string> backUp(const std::vector<std::string>& sources);

    // The entries directly under the backup target (the run folders), full paths, sorted.
    std::vector<std::string> runFolders() const;

    TestClock clock;
};

} // namespace testsupport
