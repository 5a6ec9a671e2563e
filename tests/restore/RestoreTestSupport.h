#pragma once

#include "store/MainFields.h"
#include "platform/MessageBox.h"
#include "restore/windows/frmUnBackup.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class frmUnBackupSelectDate;

namespace restoretest {

// The main window's three fields as a restore window reads them.
class Fields : public MainFields {
public:
    std::string to;
    std::vector<std::string> from;
    std::string unBackupTo;

    std::string backupTarget() const override { return to; }
    std::vector<std::string> sourceFolders() const override { return from; }
    std::string restoreTarget() const override { return unBackupTo; }
};

// Makes the run folder of a date text under the backup target; returns its
// path with a trailing separator.
std::string makeRunFolder(const std::string& backupTarget, const std::string& dateText);

// Runs the real archiver in a folder with shell-quoted arguments; true when
// it exits with 0.
bool runArchiver(const std::string& folder, const std::vector<std::string>& arguments);

// Stores one folder in a run folder the way a backup does: the files directly
// in it go into "<encoded folder>.7z", the number of its ordinary files into
// the count file beside it.
void storeFolder(const std::string& runFolder, const std::string& folder);

// Stores `folder` and every non-hidden folder below it (links not followed).
void storeTree(const std::string& runFolder, const std::string& folder);

// Every file a restore must bring back from the sources (the files directly
// in each non-hidden folder, hidden files included), keyed by full path,
// with their bytes.
std::map<std::string, std::string> filesOfTree(const std::string& folder);

// Every file below a folder, hidden ones included, keyed by path relative to it.
std::map<std::string, std::string> allFilesBelow(const std::string& folder);

// Makes a tree of folders with names and contents that a user's folders may
// well have (spaces, quotes, '$', non-ASCII letters, empty folders and files,
// binary and large files, hidden files and folders) under `root`; returns
// the source folders to back up.
std::vector<std::string> makeSampleTree(const std::string& root);

// Checks that below `target` lie exactly the files of `expected` (full source
// paths, each placed below the target) with the same bytes, and nothing else.
void expectRestoredExactly(const std::string& target, const std::map<std::string, std::string>& expected);

// Queues an action that runs on the date dialog as soon as it is shown
// modally over `owner` (within a few seconds; the test fails otherwise).
void whenDateDialogOpens(QWidget* owner, std::function<void(frmUnBackupSelectDate&)> action);

// Shows the window, lets its run happen and waits until it has finished.
// Returns false when it did not finish within the time limit.
bool runToEnd(QWidget& window, int timeoutMs = 120000);

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
    std::vector<testsupport::ShownBox> shownAfterQuestion() const;

    testsupport::ScopedAppFolder app;
    std::string appFolder = app.path(); // what restore() hands its window
    testsupport::ScriptedMessageBoxes boxes;
    testsupport::TempDir dir;
    Fields fields;
    std::string date;      // the date text of the test's backup run
    std::string runFolder; // its run folder, trailing separator included
    std::unique_ptr<frmUnBackup> window; // the latest restore window
};

} // namespace restoretest
