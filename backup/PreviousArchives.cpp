#include "backup/PreviousArchives.h"

#include "backup/FolderSight.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/ArchiveNames.h"
#include "store/Archiver.h"
#include "store/CheckRecord.h"
#include "store/FileCount.h"
#include "store/JobRunner.h"
#include "store/RunList.h"
#include "store/StoreLayout.h"

namespace {

struct PreviousRun {
    StoredRun run;
    std::optional<RunJournal> journal;
};

// The newest run of this computer that reached its end, with its journal
// when it has one; `unended` tells whether a newer run of it did not.
std::optional<PreviousRun> previousRun(const std::string& backupTarget, const std::string& ownRunFolder,
    const std::string& machine, bool& unended)
{
    std::vector<StoredRun> runs;
    try {
        runs = ListRuns(backupTarget);
    } catch (const RunError&) {
        return std::nullopt;
    }
    for (StoredRun& run : runs) {
        if (AddBackslash(run.folder) == AddBackslash(ownRunFolder))
            continue;
        std::optional<RunJournal> journal = ReadRunJournal(run.folder);
        // Another computer's folders of the same names hold other files. A
        // run that does not say which computer made it may be this one's.
        if (journal && !journal->machine.empty() && journal->machine != machine)
            continue;
        if (!ReachedItsEnd(run.verdict)) {
            unended = true;
            continue;
        }
        return PreviousRun{ std::move(run), std::move(journal) };
    }
    return std::nullopt;
}

} // namespace

PreviousArchives::PreviousArchives(const std::string& backupTarget, const std::string& ownRunFolder,
    const std::string& archiver, const std::string& machine, bool full)
{
    if (full) {
        bool unended = false;
        if (previousRun(backupTarget, ownRunFolder, machine, unended) || unended)
            m_whyNone = "a full backup was asked for";
        return;
    }
    takeRecord(backupTarget, ownRunFolder, archiver, machine);
}

PreviousArchives::~PreviousArchives() = default;

void PreviousArchives::takeRecord(const std::string& backupTarget, const std::string& ownRunFolder,
    const std::string& archiver, const std::string& machine)
{
    bool unended = false;
    std::optional<PreviousRun> previous = previousRun(backupTarget, ownRunFolder, machine, unended);
    if (!previous) {
        if (unended)
            m_whyNone = "the previous backup did not reach its end";
        return;
    }
    const std::optional<RunJournal>& journal = previous->journal;
    if (!journal || journal->machine.empty()
        || (journal->seen.empty() && journal->damagedSeen == 0 && !journal->held.empty())) {
        m_whyNone = "the previous backup keeps no record of what it saw in the folders";
        return;
    }
    if (journal->archiver != archiver) {
        m_whyNone = "the previous backup made its archives another way";
        return;
    }
    std::unordered_set<std::string> failed, twice;
    for (const JournalFailure& failure : journal->failed)
        failed.insert(failure.path);
    for (const FolderSeen& seen : journal->seen) {
        if (!m_seen.emplace(seen.path, seen).second)
            twice.insert(seen.path);
    }
    // A folder seen twice was held twice, which no run does: its record is
    // no record. A folder the run left out gives nothing, whatever it saw.
    for (const std::string& path : twice) {
        m_seen.erase(path);
        m_heldWithoutRecord.insert(path);
    }
    for (const std::string& path : failed)
        m_seen.erase(path);
    for (const JournalFolder& held : journal->held) {
        if (!m_seen.count(held.path) && !failed.count(held.path))
            m_heldWithoutRecord.insert(held.path);
    }
    for (const JournalLeftOut& left : journal->leftOut)
        m_leftOut[left.path] = left.names;
    m_damagedLines = journal->damagedSeen;
    m_runFolder = previous->run.folder;
}

std::string PreviousArchives::dateText() const
{
    return DecodePath(m_runFolder.substr(m_runFolder.find_last_of('/') + 1));
}

std::optional<platform::Sharing> PreviousArchives::takeOver(const std::string& folder,
    const std::string& archiveName, const std::string& newRunFolder, const FolderSight& sight)
{
    if (m_runFolder.empty() || !unchanged(folder, archiveName, sight))
        return std::nullopt;
    // An archive the last check found damaged is never handed on: the folder is compressed anew.
    if (IsKnownDamaged(m_runFolder.substr(0, m_runFolder.find_last_of('/')), m_runFolder + "/" + archiveName))
        return std::nullopt;
    const std::string archive = newRunFolder + "/" + archiveName;
    const std::string countFile = newRunFolder + "/" + CountFileName(archiveName);
    auto archiveShared = platform::shareFile(m_runFolder + "/" + archiveName, archive);
    if (!archiveShared)
        return std::nullopt;
    // A shortened archive's path file comes with it, before the count file.
    const std::string pathFile = IsShortenedName(archiveName) ? "/" + PathFileName(archiveName) : "";
    if (!pathFile.empty() && !platform::shareFile(m_runFolder + pathFile, newRunFolder + pathFile)) {
        (void)platform::deleteFile(archive);
        return std::nullopt;
    }
    // The count file comes last, as in a run that compresses: an archive
    // without its count is never left behind as if it were complete.
    if (!platform::shareFile(m_runFolder + "/" + CountFileName(archiveName), countFile)) {
        (void)platform::deleteFile(archive);
        if (!pathFile.empty())
            (void)platform::deleteFile(newRunFolder + pathFile);
        return std::nullopt;
    }
    return *archiveShared;
}

bool PreviousArchives::unchanged(
    const std::string& folder, const std::string& archiveName, const FolderSight& sight)
{
    if (!sight.seen)
        return false;
    if (!sight.changeTimesKept) {
        doubt(NoChangeTimes, folder);
        return false;
    }
    const auto before = m_seen.find(folder);
    if (before == m_seen.end()) {
        // A damaged line most likely is the record the folder lacks.
        if (m_damagedLines > 0)
            doubt(DamagedRecord, folder);
        else if (m_heldWithoutRecord.count(folder))
            doubt(NoRecord, folder);
        return false;
    }
    if (before->second.fileSystem != sight.seen->fileSystem) {
        doubt(OtherFileSystem, folder);
        return false;
    }
    if (before->second.archive != archiveName || !SeenTheSame(before->second, *sight.seen))
        return false;
    // Patterns that now leave out other names make another archive of the same files.
    const auto leftOut = m_leftOut.find(folder);
    if ((leftOut == m_leftOut.end() ? std::vector<std::string>() : leftOut->second) != sight.leftOut)
        return false;
    const std::string archive = m_runFolder + "/" + archiveName;
    const std::string countFile = m_runFolder + "/" + CountFileName(archiveName);
    if (!platform::isRegularFileItself(archive) || !platform::isRegularFileItself(countFile))
        return false;
    // A file the user cannot read is not in the archive: the folder is
    // compressed again, so that the user hears of it on every run.
    CountProblems problems;
    const std::int32_t count = CountFolderFiles(folder, &problems, sight.leftOut);
    if (!problems.listingError.empty() || !problems.unreadable.empty())
        return false;
    const CountFileRead stored = ReadCountFile(countFile);
    return stored.count && *stored.count == count && IsCompleteArchive(archive);
}

void PreviousArchives::doubt(Doubt kind, const std::string& folder)
{
    if (m_firstDoubt[kind].empty())
        m_firstDoubt[kind] = folder;
}

std::vector<std::string> PreviousArchives::doubts() const
{
    static constexpr const char* kWhy[DoubtKinds] = {
        "Folders on a file system that keeps no change times of its own are compressed on every backup, ",
        "Folders the previous backup holds without a record of what it saw are compressed again, ",
        "The previous backup's record is damaged, folders it does not describe are compressed again, ",
        "Folders now on another file system than at the previous backup are compressed again, ",
    };
    std::vector<std::string> lines;
    for (int kind = 0; kind < DoubtKinds; ++kind) {
        if (!m_firstDoubt[kind].empty())
            lines.push_back(std::string(kWhy[kind]) + "such as " + m_firstDoubt[kind]);
    }
    return lines;
}

std::string ArchiverFingerprint()
{
    // The command and the switches that decide what goes into an archive and
    // how, taken from the list the compression line is built from. Runs
    // made before recorded their whole compression line: their archives are
    // compressed again once, and the log says why.
    std::string fingerprint = "7z a";
    for (const std::string& contentSwitch : CompressionContentSwitches())
        fingerprint += " " + contentSwitch;
    return fingerprint;
}
