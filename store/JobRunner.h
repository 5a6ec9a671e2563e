#pragma once

#include <functional>
#include <stdexcept>
#include <string>

// Runs one archiver command as a batch job in the application folder: the
// job file "temp.bat" creates the start marker "wait2.tmp", runs the command
// and creates the finish marker "wait.tmp"; the runner follows the markers.

enum class JobOutcome { Finished, NotStarted };

// An error that a run does not handle itself: it ends the run, and the
// message says what failed and where.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BatchJob {
    std::string workingFolder; // where the archiver runs
    std::string commandLine; // one line, no line end
    bool deleteOutputFirst = false; // a job that reports: remove the old "output.txt" too
};

// The exact bytes of the batch file for a command line.
std::string BatchFileBytes(const std::string& appFolder, const std::string& commandLine);

// Deletes the old job files, writes and launches temp.bat and waits, letting
// window events run, until the finish marker exists (Finished) or the start
// deadline, 3 seconds after the launch, passed without a start marker
// (NotStarted). Once started, a job is waited for without limit, unless its
// shell ends without making the finish marker (killed): that job is over and
// reported as Finished, its outcome judged from disk like any other. Throws
// RunError when the batch file cannot be written, and refuses (RunError) a
// command line holding a line break or NUL byte, or an empty working folder.
// A run of several jobs runs a job of its own in slot `slot` (see
// SlotFileName), with that slot's job files. `whileWaiting`, when given,
// is called about four times a second while the job runs.
JobOutcome RunBatchJob(const std::string& appFolder, const BatchJob& job, int slot = 0,
    const std::function<void()>& whileWaiting = {});

// Ends the job that RunBatchJob waits for now, if any, or every job of the
// JobSlots waited for: their processes are killed and each is reported
// Finished, judged from disk like a killed one. Called from the events that
// run while a job is waited for.
void StopRunningJob();

// Removes temp.bat from the application folder at the end of a run, ignoring
// every failure.
void DeleteBatchFile(const std::string& appFolder);

// The job files have fixed names, so only one run at a time may use an
// application folder: a run holds an exclusive lock on this file (a
// platform::RunLock) from its first step to its last. Empty when the
// application folder is not known.
std::string RunLockFile(const std::string& appFolder);

// The text of the "Error!" box a run shows when it cannot start because
// another backup or restore holds the application folder.
std::string AnotherRunText(const std::string& appFolder);
