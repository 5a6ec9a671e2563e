// The restore's extractions: up to J archiver jobs at once, each in a job
// slot of its own. An archive never runs while an archive above its folder
// runs or waits before it: the check that no level of its folder is a link
// holds only once the archive above has brought back what it holds.
#include "restore/RestoreRun.h"

#include "pathutil/PathRoutines.h"
#include "platform/Events.h"
#include "platform/Launcher.h"
#include "restore/ArchiveExtraction.h"
#include "restore/NameList.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreSteps.h"
#include "store/Archiver.h"
#include "store/JobFiles.h"
#include "store/JobSlots.h"
#include "store/MainFields.h"
#include "store/StoreLayout.h"

#include <memory>
#include <unordered_set>

namespace {

// How far past the first archive not yet started the queue is searched for
// one that may start: far enough to keep the jobSlots busy in any tree, near
// enough that a look costs little.
constexpr std::size_t kLookAhead = 256;

// True when `folder` or a folder above it is among `folders` (all with one
// trailing separator).
bool atOrBelowOneOf(const std::string& folder, const std::unordered_set<std::string>& folders)
{
    if (folders.empty())
        return false;
    for (std::size_t end = folder.size(); end > 0; end = folder.rfind('/', end - 2) + 1) {
        if (folders.contains(folder.substr(0, end)))
            return true;
        if (end < 2)
            break;
    }
    return false;
}

// The order in which a run's archives may start: each archive's restore
// folder, and which ones have started.
class ExtractionOrder {
public:
    ExtractionOrder(const std::vector<std::string>& archives, const std::string& restoreTarget,
        const std::string& runFolder)
        : m_started(archives.size(), false)
    {
        m_folders.reserve(archives.size());
        for (const std::string& archive : archives)
            m_folders.push_back(
                AddBackslash(PlanExtraction(restoreTarget, archive, runFolder).restoreFolder));
    }

    // The next archive that may start now, given the folders of those
    // running; empty when none may.
    std::optional<std::size_t> next(const std::unordered_set<std::string>& runningFolders)
    {
        while (m_first < m_started.size() && m_started[m_first])
            ++m_first;
        std::unordered_set<std::string> above = runningFolders;
        std::size_t looked = 0;
        for (std::size_t i = m_first; i < m_started.size() && looked < kLookAhead; ++i) {
            if (m_started[i])
                continue;
            ++looked;
            if (!atOrBelowOneOf(m_folders[i], above))
                return i;
            above.insert(m_folders[i]);
        }
        return std::nullopt;
    }

    bool allStarted() const { return m_first >= m_started.size(); }
    void start(std::size_t i) { m_started[i] = true; }
    const std::string& folderOf(std::size_t i) const { return m_folders[i]; }

private:
    std::vector<std::string> m_folders;
    std::vector<bool> m_started;
    std::size_t m_first = 0;
};

// An archive whose job runs in a slot.
struct Running {
    std::size_t index; // in the list of archives
    ExtractionJob job;
    std::shared_ptr<ScopedNameList> nameList; // the single files asked, while the job runs
};

// Starts the archive's job in `slot`; the list of the single files asked,
// if any, is the slot's own and lasts as long as the pointer returned.
std::shared_ptr<ScopedNameList> startExtraction(JobSlots& jobSlots, int slot, const ExtractionJob& job)
{
    const std::string appFolder = jobSlots.appFolder();
    const SlotLine line{ jobSlots.filePath(slot, kOutputFile), jobSlots.filePath(slot, kProgressFile), 0 };
    auto nameList
        = std::make_shared<ScopedNameList>(appFolder, job.onlyFiles, jobSlots.filePath(slot, kNameListFile));
    jobSlots.start(slot,
        BatchJob{ job.place.restoreFolder,
            ExtractCommandLine(appFolder, job.storedArchive, line, nameList->path()), true });
    return nameList;
}

} // namespace

void RestoreRun::extractAll()
{
    const ExtractionInputs inputs{ appFolder(), m_main.backupTarget(), m_main.restoreTarget(), SelectedDate };
    JobSlots jobSlots(appFolder(), ChooseJobCount(m_main.jobs()));
    if (jobSlots.count() == 1) {
        extractOneByOne();
        return;
    }
    ExtractionOrder order(
        ArchiveList, inputs.restoreTarget, AddBackslash(RunFolderPath(inputs.backupTarget, SelectedDate)));
    std::vector<std::optional<Running>> running(static_cast<std::size_t>(jobSlots.count()));
    std::unordered_set<std::string> runningFolders;
    for (;;) {
        // New jobs start only between boxes: a box that asks the user holds
        // this loop, while the jobs already running go on.
        while (jobSlots.freeSlot() && !stopRequested()) {
            const std::optional<std::size_t> next = order.next(runningFolders);
            if (!next)
                break;
            order.start(*next);
            const std::string& archive = ArchiveList[*next];
            ExtractionInputs asked = inputs;
            asked.onlyFiles = m_part.filesOf(archive);
            std::optional<ExtractionJob> job = BeginExtraction(archive, asked, host());
            if (!job) {
                ++tally().failed;
                host().progress(m_progress.done(archive));
                continue;
            }
            const int slot = *jobSlots.freeSlot();
            auto nameList = startExtraction(jobSlots, slot, *job);
            runningFolders.insert(order.folderOf(*next));
            running[static_cast<std::size_t>(slot)] = Running{ *next, std::move(*job), std::move(nameList) };
        }
        if (jobSlots.running() == 0)
            break;
        // A stop asked for while a box was up ends the jobs still running.
        if (stopRequested())
            StopRunningJob();
        const JobSlots::Ended ended = jobSlots.waitForOne([&] {
            for (int slot = 0; slot < jobSlots.count(); ++slot) {
                const auto& under = running[static_cast<std::size_t>(slot)];
                if (!under)
                    continue;
                if (const auto percent = jobSlots.percentDone(slot))
                    m_progress.underWay(ArchiveList[under->index], *percent);
            }
            host().progress(m_progress.counts());
        });
        Running done = std::move(*running[static_cast<std::size_t>(ended.slot)]);
        running[static_cast<std::size_t>(ended.slot)].reset();
        finishArchive(done.job, ended.outcome, jobSlots.filePath(ended.slot, kOutputFile));
        runningFolders.erase(order.folderOf(done.index));
        if (!stopRequested())
            host().progress(m_progress.done(ArchiveList[done.index]));
    }
    stopIfRequested();
}

void RestoreRun::extractOneByOne()
{
    // One job at a time, in the order of the list, as always.
    for (const std::string& archive : ArchiveList) {
        stopIfRequested();
        ExtractArchive(archive);
        host().progress(m_progress.done(archive));
    }
    stopIfRequested();
}

void RestoreRun::finishArchive(const ExtractionJob& job, JobOutcome outcome, const std::string& outputFile)
{
    std::vector<std::string> warnings;
    const ExtractionResult result = FinishExtraction(job, outcome, outputFile, host(), m_choices, &warnings);
    tallyExtraction(job.archiveName, result, warnings, !job.onlyFiles.empty());
}

void RestoreRun::tallyExtraction(const std::string& archiveName, ExtractionResult result,
    const std::vector<std::string>& warnings, bool singleFiles)
{
    for (const std::string& warning : warnings)
        warn(warning);
    if (result != ExtractionResult::Restored) {
        ++tally().failed;
        return;
    }
    ++tally().done;
    // Single files asked of an archive bring back none of its special entries.
    if (!singleFiles)
        warnOfSpecials(archiveName);
}
