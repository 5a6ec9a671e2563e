#include "backup/BackupRun.h"

#include "backup/BackupTexts.h"
#include "backup/FolderSight.h"
#include "backup/PreviousArchives.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "store/Archiver.h"
#include "store/CheckRecord.h"
#include "store/FileCount.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"
#include "store/MainFields.h"
#include "store/RunDurability.h"
#include "store/RunMarker.h"
#include "store/RunRecord.h"
#include "store/StoreIdentity.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

BackupRun::BackupRun(RunHost& host, const MainFields& main, std::string appFolder)
    : Run(host, std::move(appFolder))
    , m_main(main)
{
}

void BackupRun::steps()
{
    if (const std::string why = whyCannotStart(); !why.empty()) {
        showError(why);
        return;
    }
    // Taken before anything is read: whatever changes from now on is
    // compressed again by the next run.
    const RunRecord record{ platform::wallClockNanoseconds(), ArchiverFingerprint() };
    RunFolder = makeRunFolder();
    // From now on an empty folder at this path is a disk that is not there.
    if (auto noted = NoteStore(m_main.backupTarget(), StoreStateFolder()); !noted)
        warn("The backup target could not be marked as a store: " + noted.error());
    m_longestName = LongestNameIn(RunFolder);
    // Until its very last step the run looks incomplete to every restore,
    // whatever ends it: a kill, a power cut, an error.
    if (auto marked = MarkRunIncomplete(RunFolder, {}); !marked)
        warn("The run folder could not be marked as incomplete: " + marked.error());
    m_journal.emplace(RunFolder);
    const std::string machine = MachineId(appFolder());
    if (auto written = m_journal->begin(record.started, record.archiver, machine); !written)
        warn("The next backup will compress every folder again: " + written.error());
    else if (const std::string log = keptLogName(); !log.empty())
        journal(m_journal->log(log));

    log("Starting Backup...");
    log("Start:   Finding Folders...");
    platform::processEvents();
    FindFolders();
    platform::processEvents();
    log("End:     Finding Folders...");
    markPlannedArchives();

    log("Start:   Copy Folders and compress...");
    PreviousArchives previous(
        m_main.backupTarget(), RunFolder, record.archiver, machine, m_main.fullBackup());
    if (!previous.runFolder().empty())
        log("Unchanged folders are taken over from the backup of " + previous.dateText());
    else if (!previous.whyNone().empty())
        log("Every folder is compressed: " + previous.whyNone() + ".");
    compressPhase(previous);
    for (const std::string& doubt : previous.doubts())
        log(doubt);
    log("End:     Copy Folders and compress...");
    // The journal's closing line comes before the marker goes: a run that
    // looks as if it reached its end always says how it ended.
    if (auto ended = m_journal->end(tally().failed); !ended) {
        warn("The run's record could not be closed, the run stays marked incomplete: " + ended.error());
        return;
    }
    // Complete only once its archives and its journal are surely on disk.
    m_madeFiles.push_back(m_journal->path());
    if (auto durable = MakeRunDurable(m_main.backupTarget(), RunFolder, m_madeFiles); !durable)
        warn("The run stays marked incomplete, its archives may not all be on disk: " + durable.error());
    else if (auto complete = MarkRunComplete(RunFolder); !complete)
        warn("The run folder could not be marked as complete: " + complete.error());
    else if (auto synced = SyncAfterMarkerRemoved(RunFolder); !synced)
        warn("The run's end may not be on disk yet: " + synced.error());
}

std::string BackupRun::whyCannotStart() const
{
    if (std::string missing = WhyStoreMissing(m_main.backupTarget(), StoreStateFolder()); !missing.empty())
        return missing;
    const std::string target = canonicalFolder(m_main.backupTarget());
    if (target.empty())
        return {};
    for (const std::string& source : m_main.sourceFolders()) {
        const std::string folder = canonicalFolder(source);
        if (folder.empty() || !isAtOrBelow(folder, target))
            continue;
        // The first level below the target is a run folder when its name
        // reads as a date.
        const std::string below = folder.substr(target.size());
        const std::string level = below.substr(0, below.find('/'));
        if (folder == target || platform::parseDateText(DecodePath(level)))
            return "Backup not started...\r\nThe source folder " + source
                + " is the backup target or lies inside one of its backups; it would be stored into itself."
                  "\r\nRemove it from the source folders, or choose another backup target.";
    }
    return {};
}

std::string BackupRun::makeRunFolder() const
{
    // Run folders are named to the second: a backup started in the same
    // second as the one before waits for the next second's name.
    std::string date = DateTextNow();
    std::string folder = RunFolderPath(m_main.backupTarget(), date);
    auto made = platform::createFolder(folder);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!made && platform::folderExists(folder) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (std::string now = DateTextNow(); now != date) {
            date = std::move(now);
            folder = RunFolderPath(m_main.backupTarget(), date);
            made = platform::createFolder(folder);
        }
    }
    if (!made)
        throw RunError("The run folder could not be made.\r\n" + made.error());
    return folder;
}

void BackupRun::stoppedByUser()
{
    if (m_journal)
        journal(m_journal->stopped());
}

void BackupRun::journal(const platform::Status& written)
{
    if (written || m_journalTrouble)
        return;
    m_journalTrouble = true;
    warn("The run's record could not be written: " + written.error());
}

void BackupRun::markPlannedArchives()
{
    std::vector<std::string> names;
    names.reserve(FolderList.size());
    for (const std::string& folder : FolderList)
        names.push_back(archiveNameOf(folder));
    if (auto marked = MarkRunIncomplete(RunFolder, names); !marked)
        warn("The run folder could not be marked as incomplete: " + marked.error());
}

bool BackupRun::takeOverUnchanged(
    const std::string& folder, PreviousArchives& previous, const FolderSight& sight)
{
    if (!whyNotStorable(folder).empty())
        return false;
    // A run folder that is gone fails the link, and the folder is then
    // compressed, which says so.
    const std::string archiveName = archiveNameOf(folder);
    if (!previous.takeOver(folder, archiveName, RunFolder, sight)) {
        const std::string last = previous.runFolder() + "/" + archiveName;
        if (!previous.runFolder().empty()
            && IsKnownDamaged(previous.runFolder().substr(0, previous.runFolder().find_last_of('/')), last))
            log("Damaged: the last check found the archive of " + folder
                + " in the previous backup damaged; it is compressed anew.");
        return false;
    }
    m_madeFiles.push_back(RunFolder + "/" + archiveName);
    m_madeFiles.push_back(RunFolder + "/" + CountFileName(archiveName));
    if (archiveName != ArchiveName(folder))
        m_madeFiles.push_back(RunFolder + "/" + PathFileName(archiveName));
    tally().done++;
    tally().reused++;
    if (m_journal)
        journal(m_journal->held(archiveNameOf(folder), folder));
    return true;
}

void BackupRun::folderFailed(const std::string& folder, const std::string& box, bool hasArchive)
{
    tally().failed++;
    if (m_journal) {
        const std::string why
            = box.empty() ? std::string("it cannot be read") : box.substr(0, box.find('\r'));
        journal(m_journal->failed(folder, hasArchive ? archiveNameOf(folder) : std::string(), why));
    }
    if (!box.empty())
        showError(box);
}

bool BackupRun::refuseUnstorable(const std::string& folder)
{
    const std::string why = whyNotStorable(folder);
    if (why.empty())
        return false;
    // Every folder below it has the same trouble (its path holds this
    // one's), so the user is told once, for the topmost folder; each one
    // still counts as left out.
    if (!isBelowRefusedFolder(folder)) {
        m_refusedFolders.push_back(folder);
        folderFailed(folder, why + ", nor is any folder below it...For Directory: " + folder);
    } else {
        folderFailed(folder, {});
    }
    return true;
}

bool BackupRun::isBelowRefusedFolder(const std::string& folder) const
{
    return std::any_of(m_refusedFolders.begin(), m_refusedFolders.end(),
        [&folder](const std::string& refused) { return folder.starts_with(refused); });
}
