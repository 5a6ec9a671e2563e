// The backup's compression: the folders go through up to J archiver jobs at
// once, each in a job slot of its own, in the order of the folder list.
#include "backup/BackupRun.h"

#include "backup/BackupTexts.h"
#include "backup/FolderSight.h"
#include "backup/PreviousArchives.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "platform/Launcher.h"
#include "store/Archiver.h"
#include "store/FileCount.h"
#include "store/JobFiles.h"
#include "store/JobSlots.h"
#include "store/LeaveOutList.h"
#include "store/MainFields.h"

#include <utility>

void BackupRun::compressPhase(PreviousArchives& previous)
{
    m_refusedFolders.clear();
    m_madeFiles.clear();
    host().progress(m_progress.begin(FolderList));
    JobSlots jobSlots(appFolder(), ChooseJobCount(m_main.jobs()));
    std::vector<std::optional<FolderJob>> running(static_cast<std::size_t>(jobSlots.count()));
    std::size_t next = 0;
    for (;;) {
        // New jobs start only between boxes: a box that asks the user holds
        // this loop, while the jobs already running go on.
        while (next < FolderList.size() && jobSlots.freeSlot() && !stopRequested()) {
            if (auto job = beginFolder(next++, previous)) {
                const int slot = *jobSlots.freeSlot();
                jobSlots.start(slot, BatchJob{ job->folder, compressionLine(jobSlots, slot, *job), true });
                running[static_cast<std::size_t>(slot)] = std::move(job);
            }
        }
        if (jobSlots.running() == 0)
            break;
        // A stop asked for while a box was up ends the jobs still running.
        if (stopRequested())
            StopRunningJob();
        const JobSlots::Ended ended = jobSlots.waitForOne([&] { showProgressUnderWay(jobSlots, running); });
        // The job's remains are judged whatever happens next; an error that
        // ends the run meanwhile takes the other jobs' partial archives along.
        FolderJob job = std::move(*running[static_cast<std::size_t>(ended.slot)]);
        running[static_cast<std::size_t>(ended.slot)].reset();
        if (!job.leaveOutList.empty())
            (void)platform::deleteFile(job.leaveOutList);
        bool stored = false;
        try {
            stored = finishFolder(job, ended, jobSlots.filePath(ended.slot, kOutputFile));
        } catch (const RunError&) {
            dropPartialArchives(running);
            throw;
        }
        if (stopRequested())
            continue; // the stop ended this job: its folder is not done
        platform::processEvents();
        log("End:     Copy " + job.folder);
        closeFolder(job.folder, job.sight, stored);
    }
    stopIfRequested();
}

void BackupRun::dropPartialArchives(const std::vector<std::optional<FolderJob>>& running)
{
    // The jobs still running are killed with the jobSlots; what they were
    // writing is no backup.
    platform::killBatchJobs();
    for (const auto& job : running) {
        if (!job)
            continue;
        (void)platform::deleteFile(job->stored);
        if (!job->leaveOutList.empty())
            (void)platform::deleteFile(job->leaveOutList);
    }
}

std::optional<BackupRun::FolderJob> BackupRun::beginFolder(std::size_t index, PreviousArchives& previous)
{
    const std::string& folder = FolderList[index];
    // Before the archiver starts: what the archive may hold is what the run saw.
    FolderSight sight = LookAtFolder(folder, archiveNameOf(folder));
    leaveOutNames(index, folder, sight);
    if (takeOverUnchanged(folder, previous, sight)) {
        log("Reused:  " + folder);
        letEventsRunDuringWalk();
        closeFolder(folder, sight, true);
        return std::nullopt;
    }
    log("Start:   Copy " + folder);
    platform::processEvents();
    if (stopRequested())
        return std::nullopt;
    const int failedBefore = tally().failed;
    std::optional<FolderJob> job = prepareCompression(folder, sight.leftOut);
    if (job) {
        job->sight = std::move(sight);
        return job;
    }
    // Refused, or failed before its archiver could start.
    platform::processEvents();
    log("End:     Copy " + folder);
    closeFolder(folder, sight, tally().failed == failedBefore);
    return std::nullopt;
}

void BackupRun::closeFolder(const std::string& folder, const FolderSight& sight, bool stored)
{
    if (sight.seen && stored && m_journal) {
        // The names left out first: a look in the journal says they are there too.
        if (!sight.leftOut.empty())
            journal(m_journal->leftOut(folder, sight.leftOut));
        journal(m_journal->seen(*sight.seen));
    }
    folderDone(folder);
}

std::string BackupRun::compressionLine(const JobSlots& jobSlots, int slot, FolderJob& job)
{
    // Each slot has a list of its own: no job reads another's names.
    job.leaveOutList = writeLeaveOutList(job.folder, job.leftOut, jobSlots.filePath(slot, kLeaveOutList));
    // A run of one job makes the line it always has.
    if (jobSlots.count() == 1)
        return CompressCommandLine(appFolder(), job.stored, job.leaveOutList);
    return CompressCommandLine(appFolder(), job.stored,
        SlotLine{ jobSlots.filePath(slot, kOutputFile), jobSlots.filePath(slot, kProgressFile),
            ThreadsPerJob(jobSlots.count()) },
        job.leaveOutList);
}

void BackupRun::showProgressUnderWay(
    const JobSlots& jobSlots, const std::vector<std::optional<FolderJob>>& running)
{
    for (int slot = 0; slot < jobSlots.count(); ++slot) {
        const auto& job = running[static_cast<std::size_t>(slot)];
        if (!job)
            continue;
        // A run of one job keeps the line it always had, whose archiver
        // reports no progress: the bytes it has read of the folder tell it.
        if (jobSlots.count() == 1) {
            if (const auto read = jobSlots.bytesRead(slot))
                m_progress.underWayBytes(job->folder, *read);
        } else if (const auto percent = jobSlots.percentDone(slot)) {
            m_progress.underWay(job->folder, *percent);
        }
    }
    host().progress(m_progress.counts());
}

void BackupRun::CompressFolder(const std::string& folder, const std::vector<std::string>& leftOut)
{
    std::optional<FolderJob> job = prepareCompression(folder, leftOut);
    if (!job)
        return;
    JobSlots jobSlots(appFolder(), 1);
    jobSlots.start(0, BatchJob{ folder, compressionLine(jobSlots, 0, *job), true });
    const JobSlots::Ended ended = jobSlots.waitForOne();
    if (!job->leaveOutList.empty())
        (void)platform::deleteFile(job->leaveOutList);
    (void)finishFolder(*job, ended, jobSlots.filePath(0, kOutputFile));
}

std::optional<BackupRun::FolderJob> BackupRun::prepareCompression(
    const std::string& folder, std::vector<std::string> leftOut)
{
    if (refuseUnstorable(folder))
        return std::nullopt;
    FolderJob job;
    job.folder = folder;
    job.leftOut = std::move(leftOut);
    job.encoded = EncodePath(folder);
    job.archiveName = archiveNameOf(folder);

    job.runFolder = ShortPath(RunFolder);
    if (job.runFolder.empty())
        throw RunError("The run folder is gone: " + RunFolder);

    // A folder that is gone by now (removed since it was found, or a source
    // that is no folder) can hold no job: said at once, not after the job's
    // start time-out.
    if (!platform::folderExists(folder)) {
        folderFailed(folder,
            "7z not executed...For Directory: " + AddBackslash(job.encoded) + "\r\nFolder: " + folder);
        return std::nullopt;
    }

    // The archiver adds to an archive that is there: one already in the run
    // folder is this folder's from earlier in this run, and stays as it is.
    job.stored = job.runFolder + "/" + job.archiveName;
    if (platform::fileExists(job.stored))
        throw RunError("The archive is already in the run folder: " + job.stored
            + "\r\nThe folder lies in more than one source folder and is already in this backup.");

    // Counted before the archiver runs.
    job.changedBefore = platform::folderChangeTime(folder);
    job.count = CountFolderFiles(folder, &job.problems, job.leftOut);
    // The archiver would find nothing in a folder that cannot be listed and
    // make an empty archive, which would pass for a backup of an empty folder.
    if (!job.problems.listingError.empty()) {
        folderFailed(folder,
            "Folder not backed up: it cannot be listed...For Directory: " + folder + "\r\n"
                + job.problems.listingError);
        return std::nullopt;
    }
    return job;
}

bool BackupRun::finishFolder(FolderJob& job, const JobSlots::Ended& ended, const std::string& report)
{
    const int failedBefore = tally().failed;
    const std::string& folder = job.folder;
    CompressionVerdict verdict;
    if (!archiveMade(job, ended.outcome, report, verdict))
        return false;
    if (job.changedBefore != platform::folderChangeTime(folder)
        || job.count != CountFolderFiles(folder, nullptr, job.leftOut)
        || ArchiverMissedFiles(verdict, job.problems.unreadable))
        job.count = countArchived(folder, job.stored, job.count, ended.slot);
    if (IsShortenedName(job.archiveName)) {
        const std::string pathFile = job.runFolder + "/" + PathFileName(job.archiveName);
        if (auto written = WritePathFile(pathFile, folder); !written)
            throw RunError("The path file could not be written.\r\n" + written.error());
    }
    storeCount(job.runFolder, job.archiveName, job.count);
    if (m_journal)
        journal(m_journal->held(job.archiveName, folder));

    // The archiver skips a file it cannot read and still makes the archive;
    // the user learns of it now rather than at the restore.
    if (!job.problems.unreadable.empty())
        folderFailed(folder, unreadableFilesText(folder, job.problems.unreadable), true);
    else
        tally().done++;
    return tally().failed == failedBefore;
}

std::int32_t BackupRun::countArchived(
    const std::string& folder, const std::string& stored, std::int32_t counted, int slot)
{
    // Files came or went while the archiver worked, or it warned of one it
    // found but could not read: the count file must hold what the archive
    // holds, or a faithful restore would be reported as broken.
    tally().changed++;
    const std::optional<std::int32_t> archived = CountArchivedFiles(appFolder(), stored, slot);
    if (!archived) {
        warn(
            "Folder changed while it was backed up, its stored count may differ from the archive: " + folder);
        return counted;
    }
    warn("Folder changed while it was backed up, stored as the archiver found it ("
        + std::to_string(*archived) + " files): " + folder);
    return *archived;
}

// The boxes of archiveMade and prepareCompression name the folder by its
// encoded path, as they always have; the real path follows, since no user
// reads the encoded one.
bool BackupRun::archiveMade(
    const FolderJob& job, JobOutcome outcome, const std::string& report, CompressionVerdict& verdict)
{
    const std::string& folder = job.folder;
    const std::string& stored = job.stored;
    if (outcome == JobOutcome::NotStarted) {
        // A job that starts late may still leave an archive behind; it is
        // no backup of this run.
        (void)platform::deleteFile(stored);
        folderFailed(folder,
            "7z not executed...For Directory: " + AddBackslash(job.encoded) + "\r\nFolder: " + folder);
        return false;
    }
    if (!platform::fileExists(stored)) {
        folderFailed(folder,
            "7z not completed...For Directory: " + AddBackslash(job.encoded) + "\r\nFolder: " + folder);
        return false;
    }
    // The archiver's own word first: a report cut short, or an error status,
    // is no finished archive whatever the file looks like.
    const auto text = platform::readFile(report);
    verdict = text ? JudgeCompressionReport(*text) : CompressionVerdict{};
    // An archiver that was killed, or ran out of disk space, while writing
    // leaves a partial archive under the name asked for; one whose folder
    // was removed meanwhile found nothing there. Neither is a backup, and
    // neither stays in the run folder.
    if (!verdict.made || !IsCompleteArchive(stored) || !platform::folderExists(folder)) {
        (void)platform::deleteFile(stored);
        folderFailed(folder,
            "7z not completed...For Directory: " + AddBackslash(job.encoded) + "\r\nFolder: " + folder);
        return false;
    }
    return true;
}

void BackupRun::storeCount(const std::string& runFolder, const std::string& archiveName, std::int32_t count)
{
    // Written only now that the archive is in place.
    const std::string countFile = runFolder + "/" + CountFileName(archiveName);
    if (auto written = WriteCountFile(countFile, count); !written)
        throw RunError("The count file could not be written.\r\n" + written.error());
    m_madeFiles.push_back(runFolder + "/" + archiveName);
    m_madeFiles.push_back(countFile);
}
