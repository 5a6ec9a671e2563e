#include "backup/BackupRun.h"

#include "backup/BackupTexts.h"
#include "backup/PreviousArchives.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "store/Archiver.h"
#include "store/FileCount.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"
#include "store/MainFields.h"
#include "store/RunDurability.h"
#include "store/RunMarker.h"
#include "store/RunRecord.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

BackupRun::BackupRun(RunHost& host, const MainFields& main, std::string appFolder)
    : Run(host, std::move(appFolder))
    , m_main(main)
{
}

void BackupRun::steps()
{
    // Taken before anything is read: whatever changes from now on is
    // compressed again by the next run.
    const RunRecord record{ platform::wallClockNanoseconds(), ArchiverFingerprint() };
    RunFolder = RunFolderPath(m_main.backupTarget(), DateTextNow());
    if (auto made = platform::createFolder(RunFolder); !made)
        throw RunError("The run folder could not be made.\r\n" + made.error());
    // Until its very last step the run looks incomplete to every restore,
    // whatever ends it: a kill, a power cut, an error.
    if (auto marked = MarkRunIncomplete(RunFolder, {}); !marked)
        warn("The run folder could not be marked as incomplete: " + marked.error());
    if (auto written = WriteRunRecord(RunFolder, record); !written)
        warn("The next backup will compress every folder again: " + written.error());

    log("Starting Backup...");
    log("Start:   Finding Folders...");
    platform::processEvents();
    FindFolders();
    platform::processEvents();
    log("End:     Finding Folders...");
    markPlannedArchives();

    log("Start:   Copy Folders and compress...");
    const PreviousArchives previous(m_main.backupTarget(), RunFolder, record, m_main.fullBackup());
    if (!previous.runFolder().empty())
        log("Unchanged folders are taken over from the backup of " + previous.dateText());
    else if (!previous.whyNone().empty())
        log("Every folder is compressed: " + previous.whyNone() + ".");
    compressPhase(previous);
    log("End:     Copy Folders and compress...");
    // Complete only once its archives are surely on disk.
    if (auto durable = MakeRunDurable(m_main.backupTarget(), RunFolder, m_madeFiles); !durable)
        warn("The run stays marked incomplete, its archives may not all be on disk: " + durable.error());
    else if (auto complete = MarkRunComplete(RunFolder); !complete)
        warn("The run folder could not be marked as complete: " + complete.error());
    else if (auto synced = SyncAfterMarkerRemoved(RunFolder); !synced)
        warn("The run's end may not be on disk yet: " + synced.error());
}

void BackupRun::markPlannedArchives()
{
    std::vector<std::string> names;
    names.reserve(FolderList.size());
    for (const std::string& folder : FolderList)
        names.push_back(ArchiveName(folder));
    if (auto marked = MarkRunIncomplete(RunFolder, names); !marked)
        warn("The run folder could not be marked as incomplete: " + marked.error());
}

std::string BackupRun::busyLogLine() const
{
    return "Error:   Another backup or restore is running.";
}

std::string BackupRun::stoppedLogLine(const std::exception& error) const
{
    std::string line = std::string("Error:   ") + error.what();
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

std::string BackupRun::stoppedBoxText(const std::exception& error) const
{
    return std::string(error.what()) + "\r\n\r\nThe backup has stopped.";
}

void BackupRun::compressPhase(const PreviousArchives& previous)
{
    m_refusedFolders.clear();
    m_madeFiles.clear();
    host().progress(m_progress.begin(FolderList));
    for (const std::string& folder : FolderList) {
        stopIfRequested();
        if (takeOverUnchanged(folder, previous)) {
            log("Reused:  " + folder);
            letEventsRunDuringWalk();
        } else {
            log("Start:   Copy " + folder);
            platform::processEvents();
            stopIfRequested();
            CompressFolder(folder);
            stopIfRequested();
            platform::processEvents();
            log("End:     Copy " + folder);
        }
        folderDone(folder);
    }
}

bool BackupRun::takeOverUnchanged(const std::string& folder, const PreviousArchives& previous)
{
    if (!whyNotStorable(folder).empty())
        return false;
    // A run folder that is gone fails the link, and the folder is then
    // compressed, which says so.
    if (!previous.takeOver(folder, ArchiveName(folder), RunFolder))
        return false;
    m_madeFiles.push_back(RunFolder + "/" + ArchiveName(folder));
    m_madeFiles.push_back(RunFolder + "/" + CountFileName(ArchiveName(folder)));
    tally().done++;
    tally().reused++;
    return true;
}

void BackupRun::FindFolders()
{
    m_collected.clear();
    m_notWalked.clear();
    // The store, the restore target and the job files would otherwise be
    // backed up into themselves, one run inside the next.
    const std::pair<std::string, const char*> kept[] = { { m_main.backupTarget(), "it holds the backups" },
        { m_main.restoreTarget(), "it is the restore target" },
        { appFolder(), "it holds the program's job files" } };
    for (const auto& [path, why] : kept) {
        if (std::string folder = path.empty() ? std::string() : canonicalFolder(path); !folder.empty())
            m_notWalked.emplace_back(folder, why);
    }
    const std::vector<std::string> sources = m_main.sourceFolders();
    warnOverlappingSources(sources);
    std::vector<std::string> found;
    for (const std::string& source : sources) {
        platform::processEvents();
        log("Find in: " + source);
        // The walk takes the folder the entry really names, so every archive
        // is named after a path that a restore can make again.
        const std::string canonical = ShortPath(source);
        CollectFolders(canonical.empty() ? source : canonical, found);
        platform::processEvents();
    }
    FolderList = std::move(found);
}

void BackupRun::warnOverlappingSources(const std::vector<std::string>& sources)
{
    std::vector<std::string> canonical;
    canonical.reserve(sources.size());
    for (const std::string& source : sources)
        canonical.push_back(canonicalFolder(source));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        for (std::size_t j = i + 1; j < sources.size(); ++j) {
            if (isAtOrBelow(canonical[i], canonical[j]) || isAtOrBelow(canonical[j], canonical[i]))
                warn("Source folders overlap, what lies in both is backed up once: " + sources[i] + " and "
                    + sources[j]);
        }
    }
}

void BackupRun::CollectFolders(const std::string& path, std::vector<std::string>& found)
{
    const std::string folder = AddBackslash(path);
    // A folder reached through two overlapping sources is stored once.
    if (!m_collected.insert(folder).second)
        return;
    if (const std::string why = whyNotWalked(folder); !why.empty()) {
        warn("Folder not backed up, " + why + ": " + folder);
        tally().skipped++;
        return;
    }
    // The listing is complete, and gone, before any subfolder is visited, so
    // no two listings are ever open at once however deep the tree.
    auto entries = platform::listFolderEntries(folder);
    if (!entries) {
        // A folder that is not there still gets its entry: compressing it
        // reports the failure. One that is there but cannot be read costs
        // only itself and what lies below it.
        if (platform::folderExists(folder)) {
            warn("Folder not backed up, it cannot be read, nor anything below it: " + entries.error());
            tally().skipped++;
            return;
        }
        found.push_back(folder);
        return;
    }
    found.push_back(folder);
    m_progress.setBytes(folder, entries->fileBytes);
    noteLeftOut(folder, *entries);
    letEventsRunDuringWalk();
    for (const std::string& name : entries->subfolders)
        CollectFolders(folder + name, found);
    letEventsRunDuringWalk();
}

std::string BackupRun::whyNotWalked(const std::string& folder) const
{
    // The walk goes from a canonical source through real folders only, so
    // its paths are canonical as they stand.
    for (const auto& [notWalked, why] : m_notWalked) {
        if (isAtOrBelow(folder, notWalked))
            return why;
    }
    return {};
}

void BackupRun::noteLeftOut(const std::string& folder, const platform::FolderEntries& entries)
{
    // Hidden folders stay out of a backup; the user learns which ones, the
    // topmost of each, so that ~/.ssh is never missed without a word.
    for (const std::string& hidden : entries.hiddenSubfolders) {
        log("Hidden folder not backed up: " + folder + hidden + "/");
        tally().skipped++;
    }
    if (!entries.specialFiles.empty())
        warn("Entries a restore cannot bring back as they were (FIFO, socket or device) in " + folder + ": "
            + joined(entries.specialFiles));
}

void BackupRun::CompressFolder(const std::string& folder)
{
    if (refuseUnstorable(folder))
        return;
    const std::string encoded = EncodePath(folder);
    const std::string archiveName = ArchiveName(folder);

    const std::string runFolder = ShortPath(RunFolder);
    if (runFolder.empty())
        throw RunError("The run folder is gone: " + RunFolder);

    // A folder that is gone by now (removed since it was found, or a source
    // that is no folder) can hold no job: said at once, not after the job's
    // start time-out.
    if (!platform::folderExists(folder)) {
        folderFailed("7z not executed...For Directory: " + AddBackslash(encoded));
        return;
    }

    // The archiver adds to an archive that is there: one already in the run
    // folder is this folder's from earlier in this run, and stays as it is.
    const std::string stored = runFolder + "/" + archiveName;
    if (platform::fileExists(stored))
        throw RunError("The archive is already in the run folder: " + stored
            + "\r\nThe folder lies in more than one source folder and is already in this backup.");

    // Counted before the archiver runs.
    const std::optional<std::int64_t> changedBefore = platform::folderChangeTime(folder);
    CountProblems problems;
    std::int32_t count = CountFolderFiles(folder, &problems);
    // The archiver would find nothing in a folder that cannot be listed and
    // make an empty archive, which would pass for a backup of an empty folder.
    if (!problems.listingError.empty()) {
        folderFailed("Folder not backed up: it cannot be listed...For Directory: " + folder + "\r\n"
            + problems.listingError);
        return;
    }
    if (!makeArchive(folder, encoded, stored))
        return;
    if (changedBefore != platform::folderChangeTime(folder) || count != CountFolderFiles(folder)
        || ArchiverMissedFiles(m_archiverVerdict, problems.unreadable))
        count = countArchived(folder, stored, count);
    storeCount(runFolder, archiveName, count);

    // The archiver skips a file it cannot read and still makes the archive;
    // the user learns of it now rather than at the restore.
    if (!problems.unreadable.empty())
        folderFailed(unreadableFilesText(folder, problems.unreadable));
    else
        tally().done++;
}

std::int32_t BackupRun::countArchived(
    const std::string& folder, const std::string& stored, std::int32_t counted)
{
    // Files came or went while the archiver worked, or it warned of one it
    // found but could not read: the count file must hold what the archive
    // holds, or a faithful restore would be reported as broken.
    tally().changed++;
    const std::optional<std::int32_t> archived = CountArchivedFiles(appFolder(), stored);
    if (!archived) {
        warn(
            "Folder changed while it was backed up, its stored count may differ from the archive: " + folder);
        return counted;
    }
    warn("Folder changed while it was backed up, stored as the archiver found it ("
        + std::to_string(*archived) + " files): " + folder);
    return *archived;
}

void BackupRun::folderFailed(const std::string& text)
{
    tally().failed++;
    showError(text);
}

bool BackupRun::refuseUnstorable(const std::string& folder)
{
    const std::string why = whyNotStorable(folder);
    if (why.empty())
        return false;
    // Every folder below it has the same trouble (its path holds this
    // one's), so the user is told once, for the topmost folder.
    if (!isBelowRefusedFolder(folder)) {
        m_refusedFolders.push_back(folder);
        folderFailed(why + ", nor is any folder below it...For Directory: " + folder);
    }
    return true;
}

bool BackupRun::makeArchive(const std::string& folder, const std::string& encoded, const std::string& stored)
{
    const BatchJob job{ folder, CompressCommandLine(appFolder(), stored), true };
    if (RunBatchJob(appFolder(), job) == JobOutcome::NotStarted) {
        // A job that starts late may still leave an archive behind; it is
        // no backup of this run.
        (void)platform::deleteFile(stored);
        folderFailed("7z not executed...For Directory: " + AddBackslash(encoded));
        return false;
    }
    if (!platform::fileExists(stored)) {
        folderFailed("7z not completed...For Directory: " + AddBackslash(encoded));
        return false;
    }
    // The archiver's own word first: a report cut short, or an error status,
    // is no finished archive whatever the file looks like.
    const auto report = platform::readFile(JobFilePath(appFolder(), kOutputFile));
    m_archiverVerdict = report ? JudgeCompressionReport(*report) : CompressionVerdict{};
    // An archiver that was killed, or ran out of disk space, while writing
    // leaves a partial archive under the name asked for; one whose folder
    // was removed meanwhile found nothing there. Neither is a backup, and
    // neither stays in the run folder.
    if (!m_archiverVerdict.made || !IsCompleteArchive(stored) || !platform::folderExists(folder)) {
        (void)platform::deleteFile(stored);
        folderFailed("7z not completed...For Directory: " + AddBackslash(encoded));
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

bool BackupRun::isBelowRefusedFolder(const std::string& folder) const
{
    return std::any_of(m_refusedFolders.begin(), m_refusedFolders.end(),
        [&folder](const std::string& refused) { return folder.starts_with(refused); });
}

void BackupRun::letEventsRunDuringWalk()
{
    // A walk visits folders far faster than a window repaints; running the
    // event loop for each of a hundred thousand folders would cost more than
    // the walk itself, so it runs at most every few milliseconds.
    constexpr std::chrono::milliseconds interval{ 15 };
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastWalkEvents < interval)
        return;
    platform::processEvents();
    m_lastWalkEvents = std::chrono::steady_clock::now();
}
