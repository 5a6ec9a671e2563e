#include "store/JobRunner.h"

#include "store/JobFiles.h"
#include "store/RunHost.h"

#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderWatch.h"
#include "platform/Launcher.h"

#include <chrono>

namespace {

// Time the shell gets to run the first line of the job. Measured exactly on
// the monotonic clock from the launch, not rounded to whole seconds of the
// time of day: rounding would give anything between 2.5 and 3.5 seconds
// depending on the launch's fraction of a second, and the time of day jumps
// at midnight and when the user sets the clock.
constexpr std::chrono::seconds kStartTimeout{ 3 };

// Longest pause between two looks at the marker files; a change in the
// application folder ends the pause early, so a job's end is seen at once.
constexpr int kPollMs = 100;

// Longest wait for a launched job's start marker before window events run.
// A job starts within a millisecond or so; one that takes longer gets the
// usual loop, with its time-out.
constexpr int kStartGraceMs = 20;

// How often a started job that has not finished is looked for among the
// running processes, to notice one whose shell was killed.
constexpr std::chrono::seconds kLifeCheckInterval{ 1 };

// Set when the user asks the job that runs now to end; jobs run on the
// user-interface thread only, and the request comes from its events.
bool g_stopJob = false;

bool holdsLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// The echo line that makes one marker file. The folder is quoted for the
// shell only when it needs it, so a plain folder gives the very same bytes
// as the command interpreter's own form.
std::string markerLine(const std::string& a, const char* marker)
{
    return "echo asd > " + platform::shellQuoteIfNeeded(a + marker);
}

void checkJob(const std::string& appFolder, const BatchJob& job)
{
    // An empty folder would put the job files into "/".
    if (appFolder.empty())
        throw RunError("The program's folder is not known, so no job can run.");
    // The batch file is run line by line: a line break inside the command
    // would start a command of its own, and a NUL would cut the line short.
    if (holdsLineBreakOrNul(job.commandLine))
        throw RunError("The command line holds a line break or a NUL byte and cannot be run as a job: "
            + job.commandLine);
    if (holdsLineBreakOrNul(appFolder))
        throw RunError(
            "The application folder holds a line break or a NUL byte, so no job can run there: " + appFolder);
    // An empty folder would become "/" and the archiver would run there.
    if (job.workingFolder.empty() || job.workingFolder.find('\0') != std::string::npos)
        throw RunError("The job has no usable working folder: \"" + job.workingFolder + "\"");
}

// Writes the job's batch file over the old one and clears what an earlier
// job left behind; throws RunError when the file cannot be written or is not
// safe to run.
void prepareJobFiles(const std::string& appFolder, const BatchJob& job)
{
    const std::string batchFile = JobFilePath(appFolder, kBatchFile);
    // Whatever an earlier job left behind goes first, so that an old finish
    // marker cannot end this job before it ran. Failures do not matter here.
    (void)platform::deleteFile(JobFilePath(appFolder, kFinishMarker));
    (void)platform::deleteFile(JobFilePath(appFolder, kStartMarker));

    // The batch file replaces the old one. A file of this user's own is
    // written over in place rather than removed and made anew, one file fewer
    // for the file system to make and free per job; anything else there is
    // removed first. The job holds temp.bat open but reads nothing from it
    // after its launch.
    if (auto written = platform::rewriteFile(
            batchFile, BatchFileBytes(appFolder, job.commandLine), platform::FileAccess::UserOnly);
        !written)
        throw RunError("Cannot write the batch file " + batchFile + ": " + written.error());
    // The archiver's report of the last job goes, and a new empty one takes
    // its place. Its redirection truncates a file of no length, which costs
    // ext4 one small write when the report is closed: the price of a report
    // that no other user can read.
    if (job.deleteOutputFirst) {
        // The report names the user's files; it is theirs alone, like the
        // other job files. The command line's redirection keeps the mode of
        // the empty file made here.
        const std::string output = JobFilePath(appFolder, kOutputFile);
        (void)platform::deleteFile(output);
        if (auto made = platform::writeFile(output, {}, platform::FileAccess::UserOnly); !made)
            throw RunError("Cannot make the archiver's report file " + output + ": " + made.error());
    }

    // The shell runs whatever temp.bat holds when it opens it: it must be the
    // file just written, not a link or a file that someone else can change.
    if (auto own = platform::checkOwnPrivateFile(batchFile); !own)
        throw RunError("The batch file is not run, since it is not safe: " + own.error());
}

// Follows a launched job's markers, letting window events run, until it has
// finished, or did not start before the deadline.
JobOutcome awaitJob(const std::string& appFolder, const BatchJob& job, platform::FolderWatch& watch,
    std::chrono::steady_clock::time_point deadline)
{
    const std::string startMarker = JobFilePath(appFolder, kStartMarker);
    const std::string finishMarker = JobFilePath(appFolder, kFinishMarker);
    // Paced by the real clock: this is no deadline the user sees, only how
    // often to look, and the program's clock may be moved by a test.
    auto nextLifeCheck = std::chrono::steady_clock::now() + kLifeCheckInterval;
    for (;;) {
        if (platform::fileExists(finishMarker))
            return JobOutcome::Finished;
        platform::processEvents();
        if (g_stopJob) {
            // The job is killed where it stands; what it left is judged from
            // disk like the remains of any killed job.
            platform::killBatchJobs();
            return JobOutcome::Finished;
        }
        // Only the finish marker ends the pause early.
        (void)watch.waitFor(kFinishMarker, kPollMs);
        // Once the job has started, it may run for as long as the archiver needs.
        const auto now = platform::clock().monotonicNow();
        const bool started = platform::fileExists(startMarker);
        if (now > deadline && !started)
            return JobOutcome::NotStarted;
        // A started job whose shell was killed never makes its finish marker.
        // Its shell holds temp.bat open, so while the job lives some process
        // has it open; now and then that is looked at, and a job that is
        // gone is over: what it left on disk is judged as always.
        if (started && std::chrono::steady_clock::now() >= nextLifeCheck) {
            nextLifeCheck = std::chrono::steady_clock::now() + kLifeCheckInterval;
            if (platform::isFileOpenInFolder(JobFilePath(appFolder, kBatchFile), job.workingFolder) == false
                && !platform::fileExists(finishMarker))
                return JobOutcome::Finished;
        }
    }
}

} // namespace

std::string BatchFileBytes(const std::string& appFolder, const std::string& commandLine)
{
    const std::string a = AddBackslash(appFolder);
    return markerLine(a, kStartMarker) + "\r\n" + commandLine + "\r\n" + markerLine(a, kFinishMarker);
}

JobOutcome RunBatchJob(const std::string& appFolder, const BatchJob& job)
{
    checkJob(appFolder, job);
    prepareJobFiles(appFolder, job);
    g_stopJob = false;

    // Watch before the launch, so that a marker made at once is not missed.
    const std::string a = AddBackslash(appFolder);
    platform::FolderWatch watch(a);

    // The launcher's result is not looked at: a job that cannot start makes
    // no start marker and is reported as not started after the time-out,
    // like every other way in which the shell can fail to run it.
    (void)platform::launchBatchDetached(a + kBatchFile, AddBackslash(job.workingFolder));
    const auto deadline = platform::clock().monotonicNow() + kStartTimeout;

    // The job gets going before window events run: the launch has just
    // woken the job shell, most likely on this very processor, and a repaint
    // now would keep it waiting until the repaint is done.
    (void)watch.waitFor(kStartMarker, kStartGraceMs);
    return awaitJob(appFolder, job, watch, deadline);
}

void StopRunningJob()
{
    g_stopJob = true;
}

void DeleteBatchFile(const std::string& appFolder)
{
    if (appFolder.empty())
        return; // never "/temp.bat"
    (void)platform::deleteFile(JobFilePath(appFolder, kBatchFile));
}

std::string RunLockFile(const std::string& appFolder)
{
    return appFolder.empty() ? std::string() : JobFilePath(appFolder, kRunLockFile);
}

std::string JobFilePath(const std::string& appFolder, const char* name)
{
    return AddBackslash(appFolder) + name;
}

std::string AnotherRunText(const std::string& appFolder)
{
    return ErrorBoxText("Another backup or restore is running with the program's folder " + appFolder
        + "\r\n\r\nWait until it has finished, then start again.");
}
