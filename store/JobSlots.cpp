#include "store/JobSlots.h"

#include "store/JobFiles.h"

#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderWatch.h"
#include "platform/Launcher.h"
#include "platform/Machine.h"

#include <algorithm>
#include <utility>

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

// How often a caller waiting for its jobs hears of them meanwhile.
constexpr std::chrono::milliseconds kWhileWaitingInterval{ 250 };

// What one archiver job took at most on a 40 MB folder, rounded up: no more
// jobs run at once than the memory available holds of these.
constexpr std::uint64_t kMemoryPerJob = 400ull * 1024 * 1024;

// No run needs more jobs at once than this, and each costs a shell.
constexpr int kMostJobs = 64;

// Set when the user asks the running jobs to end; jobs run on the
// user-interface thread only, and the request comes from its events.
bool g_stopJob = false;

bool holdsLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// The echo line that makes one marker file. The folder is quoted for the
// shell only when it needs it, so a plain folder gives the very same bytes
// as the command interpreter's own form.
std::string markerLine(const std::string& a, const std::string& marker)
{
    return "echo asd > " + platform::shellQuoteIfNeeded(a + marker);
}

std::string slotBatchBytes(const std::string& appFolder, int slot, const std::string& commandLine)
{
    const std::string a = AddBackslash(appFolder);
    return markerLine(a, SlotFileName(kStartMarker, slot)) + "\r\n" + commandLine + "\r\n"
        + markerLine(a, SlotFileName(kFinishMarker, slot));
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

// Where renewReportFile keeps the old file until the job is launched: a
// hidden name beside it.
std::string asidePath(const std::string& path)
{
    const std::size_t slash = path.rfind('/') + 1;
    return path.substr(0, slash) + "." + path.substr(slash) + ".old";
}

// Puts a new empty file of this user's alone in place of the slot's report
// or progress file `path`, which the job's redirection then writes into:
// the file names the user's files, and the redirection keeps its mode. The
// old file is moved aside rather than removed; dropAside removes it once the
// job is on its way. The redirection that wrote it truncated the empty file
// it found, and ext4 gives a file truncated to nothing its blocks when it is
// closed; freeing them waits for that write and, on a disk mounted with
// `discard`, for the disk, a tenth of a millisecond or more that no job
// should wait for.
void renewReportFile(const std::string& path, const char* what)
{
    if (!platform::renameFile(path, asidePath(path)))
        (void)platform::deleteFile(path);
    if (auto made = platform::writeFile(path, {}, platform::FileAccess::UserOnly); !made)
        throw RunError(
            std::string("Cannot make the archiver's ") + what + " file " + path + ": " + made.error());
}

void dropAside(const std::string& path)
{
    (void)platform::deleteFile(asidePath(path));
}

// Writes the slot's batch file over the old one and clears what an earlier
// job of the slot left behind; throws RunError when the file cannot be
// written or is not safe to run.
void prepareJobFiles(const std::string& appFolder, int slot, const BatchJob& job)
{
    const std::string batchFile = SlotFilePath(appFolder, kBatchFile, slot);
    // Whatever an earlier job left behind goes first, so that an old finish
    // marker cannot end this job before it ran. Failures do not matter here.
    (void)platform::deleteFile(SlotFilePath(appFolder, kFinishMarker, slot));
    (void)platform::deleteFile(SlotFilePath(appFolder, kStartMarker, slot));

    // The batch file replaces the old one. A file of this user's own is
    // written over in place rather than removed and made anew, one file fewer
    // for the file system to make and free per job; anything else there is
    // removed first. The job holds temp.bat open but reads nothing from it
    // after its launch.
    if (auto written = platform::rewriteFile(
            batchFile, slotBatchBytes(appFolder, slot, job.commandLine), platform::FileAccess::UserOnly);
        !written)
        throw RunError("Cannot write the batch file " + batchFile + ": " + written.error());
    // The archiver's report of the last job goes, and a new empty one takes
    // its place. Its redirection truncates a file of no length, which costs
    // ext4 one small write when the report is closed: the price of a report
    // that no other user can read.
    if (job.deleteOutputFirst)
        renewReportFile(SlotFilePath(appFolder, kOutputFile, slot), "report");

    // The shell runs whatever temp.bat holds when it opens it: it must be the
    // file just written, not a link or a file that someone else can change.
    if (auto own = platform::checkOwnPrivateFile(batchFile); !own)
        throw RunError("The batch file is not run, since it is not safe: " + own.error());
}

} // namespace

std::string BatchFileBytes(const std::string& appFolder, const std::string& commandLine)
{
    return slotBatchBytes(appFolder, 0, commandLine);
}

void StopRunningJob()
{
    g_stopJob = true;
}

int ChooseJobCount(int setting)
{
    if (setting > 0)
        return std::min(setting, kMostJobs);
    int jobs = std::min(platform::usableProcessors(), kMostJobs);
    if (const auto memory = platform::availableMemory())
        jobs = static_cast<int>(std::min<std::uint64_t>(jobs, *memory / kMemoryPerJob));
    return std::max(jobs, 1);
}

int ThreadsPerJob(int jobs)
{
    if (jobs <= 1)
        return 0;
    return std::max(2, platform::usableProcessors() / jobs);
}

std::optional<int> ProgressPercent(const std::string& progressText)
{
    // The archiver writes "  5% 3 + name", then backspaces over it and
    // writes the next; the last percentage written is where it is now. A
    // percentage stands between blanks or backspaces, which tells it from
    // one in a file name such as "50%.txt".
    const auto apart = [](char c) { return c == ' ' || c == '\b'; };
    std::size_t percent = progressText.rfind('%');
    while (percent != std::string::npos && percent > 0) {
        std::size_t digits = percent;
        while (digits > 0 && progressText[digits - 1] >= '0' && progressText[digits - 1] <= '9')
            --digits;
        const bool ends = percent + 1 == progressText.size() || apart(progressText[percent + 1]);
        const bool begins = digits == 0 || apart(progressText[digits - 1]);
        if (digits < percent && percent - digits <= 3 && ends && begins)
            return std::min(100, std::stoi(progressText.substr(digits, percent - digits)));
        percent = progressText.rfind('%', percent - 1);
    }
    return std::nullopt;
}

JobSlots::JobSlots(std::string appFolder, int count, int firstSlot)
    : m_appFolder(std::move(appFolder))
    , m_slots(static_cast<std::size_t>(std::clamp(count, 1, kMostJobs)))
    , m_firstSlot(firstSlot)
{
    g_stopJob = false;
}

JobSlots::~JobSlots()
{
    if (running() > 0)
        platform::killBatchJobs();
    if (m_slots.size() < 2)
        return;
    for (int slot = 0; slot < count(); ++slot) {
        (void)platform::deleteFile(filePath(slot, kProgressFile));
        if (slot == 0)
            continue;
        for (const char* name : { kBatchFile, kStartMarker, kFinishMarker, kOutputFile })
            (void)platform::deleteFile(filePath(slot, name));
    }
}

int JobSlots::running() const
{
    return static_cast<int>(
        std::count_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.running; }));
}

std::optional<int> JobSlots::freeSlot() const
{
    for (int slot = 0; slot < count(); ++slot) {
        if (!m_slots[static_cast<std::size_t>(slot)].running)
            return slot;
    }
    return std::nullopt;
}

std::string JobSlots::filePath(int slot, const char* name) const
{
    return SlotFilePath(m_appFolder, name, m_firstSlot + slot);
}

std::optional<int> JobSlots::percentDone(int slot) const
{
    const auto text = platform::readFile(filePath(slot, kProgressFile));
    return text ? ProgressPercent(*text) : std::nullopt;
}

std::optional<std::uint64_t> JobSlots::bytesRead(int slot) const
{
    return platform::batchJobBytesRead(m_firstSlot + slot);
}

void JobSlots::start(int slot, const BatchJob& job)
{
    checkJob(m_appFolder, job);
    prepareJobFiles(m_appFolder, m_firstSlot + slot, job);
    // The archiver's progress names the files it works on: the file is the
    // user's alone, like the report.
    if (m_slots.size() > 1)
        renewReportFile(filePath(slot, kProgressFile), "progress");

    // Watch before the launch, so that a marker made at once is not missed.
    const std::string a = AddBackslash(m_appFolder);
    if (!m_watch)
        m_watch = std::make_unique<platform::FolderWatch>(a);

    // The launcher's result is not looked at: a job that cannot start makes
    // no start marker and is reported as not started after the time-out,
    // like every other way in which the shell can fail to run it.
    (void)platform::launchBatchDetached(
        filePath(slot, kBatchFile), AddBackslash(job.workingFolder), m_firstSlot + slot);
    Slot& s = m_slots[static_cast<std::size_t>(slot)];
    s.running = true;
    s.workingFolder = job.workingFolder;
    s.deadline = platform::clock().monotonicNow() + kStartTimeout;
    m_nextLifeCheck = std::chrono::steady_clock::now() + kLifeCheckInterval;

    // What the last job of the slot wrote goes now, while the job shell
    // starts the archiver on another processor.
    if (job.deleteOutputFirst)
        dropAside(filePath(slot, kOutputFile));
    if (m_slots.size() > 1)
        dropAside(filePath(slot, kProgressFile));

    // The job gets going before window events run: the launch has just
    // woken the job shell, most likely on this very processor, and a repaint
    // now would keep it waiting until the repaint is done.
    (void)m_watch->waitFor(SlotFileName(kStartMarker, m_firstSlot + slot), kStartGraceMs);
}

void JobSlots::stopEveryJob()
{
    // Every job is killed where it stands; what each left is judged from
    // disk like the remains of any killed job.
    platform::killBatchJobs();
    for (int slot = 0; slot < count(); ++slot) {
        if (m_slots[static_cast<std::size_t>(slot)].running)
            m_ended.push_back({ slot, JobOutcome::Finished });
    }
    g_stopJob = false;
}

std::optional<JobSlots::Ended> JobSlots::endedJob()
{
    const auto now = platform::clock().monotonicNow();
    // Paced by the real clock: this is no deadline the user sees, only how
    // often to look, and the program's clock may be moved by a test.
    const bool lifeCheck = std::chrono::steady_clock::now() >= m_nextLifeCheck;
    if (lifeCheck)
        m_nextLifeCheck = std::chrono::steady_clock::now() + kLifeCheckInterval;
    for (int slot = 0; slot < count(); ++slot) {
        const Slot& s = m_slots[static_cast<std::size_t>(slot)];
        if (!s.running)
            continue;
        const std::string finishMarker = filePath(slot, kFinishMarker);
        if (platform::fileExists(finishMarker))
            return Ended{ slot, JobOutcome::Finished };
        // Once the job has started, it may run for as long as the archiver needs.
        const bool started = platform::fileExists(filePath(slot, kStartMarker));
        if (now > s.deadline && !started)
            return Ended{ slot, JobOutcome::NotStarted };
        // A started job whose shell was killed never makes its finish marker.
        // Its shell holds the batch file open, so while the job lives some
        // process has it open; a job that is gone is over: what it left on
        // disk is judged as always.
        if (started && lifeCheck
            && platform::isFileOpenInFolder(filePath(slot, kBatchFile), s.workingFolder) == false
            && !platform::fileExists(finishMarker))
            return Ended{ slot, JobOutcome::Finished };
    }
    return std::nullopt;
}

JobSlots::Ended JobSlots::waitForOne(const std::function<void()>& whileWaiting)
{
    auto nextTell = std::chrono::steady_clock::now() + kWhileWaitingInterval;
    for (;;) {
        if (m_ended.empty()) {
            // The first look comes before any event: a job that is already
            // over needs no repaint to be seen.
            if (auto ended = endedJob()) {
                m_slots[static_cast<std::size_t>(ended->slot)].running = false;
                return *ended;
            }
            platform::processEvents();
            if (g_stopJob)
                stopEveryJob();
        }
        if (!m_ended.empty()) {
            const Ended ended = m_ended.front();
            m_ended.erase(m_ended.begin());
            m_slots[static_cast<std::size_t>(ended.slot)].running = false;
            return ended;
        }
        // With one slot only its finish marker ends the pause early; with
        // several, any marker made does.
        if (m_slots.size() == 1)
            (void)m_watch->waitFor(SlotFileName(kFinishMarker, m_firstSlot), kPollMs);
        else
            m_watch->waitForChange(kPollMs);
        if (whileWaiting && std::chrono::steady_clock::now() >= nextTell) {
            nextTell = std::chrono::steady_clock::now() + kWhileWaitingInterval;
            whileWaiting();
        }
    }
}
