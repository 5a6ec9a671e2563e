#include "backup/PreviousArchives.h"

#include "pathutil/PathEncoding.h"
#include "platform/ChangeTimes.h"
#include "platform/FileSystem.h"
#include "store/Archiver.h"
#include "store/CheckRecord.h"
#include "store/FileCount.h"
#include "store/StoreLayout.h"

PreviousArchives::PreviousArchives(
    const std::string& backupTarget, const std::string& ownRunFolder, const RunRecord& own, bool full)
{
    const std::optional<RecordedRun> previous = LatestRecordedRun(backupTarget, ownRunFolder);
    if (!previous)
        return;
    if (full)
        m_whyNone = "a full backup was asked for";
    else if (!previous->complete)
        m_whyNone = "the previous backup did not reach its end";
    else if (previous->record.archiver != own.archiver)
        m_whyNone = "the previous backup made its archives another way";
    else if (own.started <= previous->record.started)
        m_whyNone = "the clock is earlier than at the start of the previous backup";
    if (!m_whyNone.empty())
        return;
    m_runFolder = previous->folder;
    m_started = previous->record.started;
}

std::string PreviousArchives::dateText() const
{
    return DecodePath(m_runFolder.substr(m_runFolder.find_last_of('/') + 1));
}

std::optional<platform::Sharing> PreviousArchives::takeOver(
    const std::string& folder, const std::string& archiveName, const std::string& newRunFolder) const
{
    if (m_runFolder.empty() || !unchanged(folder, archiveName))
        return std::nullopt;
    // An archive the last check found damaged is never handed on: the folder is compressed anew.
    if (IsKnownDamaged(m_runFolder.substr(0, m_runFolder.find_last_of('/')), m_runFolder + "/" + archiveName))
        return std::nullopt;
    const std::string archive = newRunFolder + "/" + archiveName;
    const std::string countFile = newRunFolder + "/" + CountFileName(archiveName);
    auto archiveShared = platform::shareFile(m_runFolder + "/" + archiveName, archive);
    if (!archiveShared)
        return std::nullopt;
    // The count file comes second, as in a run that compresses: an archive
    // without its count is never left behind as if it were complete.
    if (!platform::shareFile(m_runFolder + "/" + CountFileName(archiveName), countFile)) {
        (void)platform::deleteFile(archive);
        return std::nullopt;
    }
    return *archiveShared;
}

bool PreviousArchives::unchanged(const std::string& folder, const std::string& archiveName) const
{
    const std::string archive = m_runFolder + "/" + archiveName;
    const std::string countFile = m_runFolder + "/" + CountFileName(archiveName);
    if (!platform::isRegularFileItself(archive) || !platform::isRegularFileItself(countFile))
        return false;
    // Times first: they are one look per entry, and most folders that
    // changed are told by them.
    if (platform::folderChangedSince(folder, m_started) != platform::FolderChange::None)
        return false;
    // A file the user cannot read is not in the archive: the folder is
    // compressed again, so that the user hears of it on every run.
    CountProblems problems;
    const std::int32_t count = CountFolderFiles(folder, &problems);
    if (!problems.listingError.empty() || !problems.unreadable.empty())
        return false;
    const CountFileRead stored = ReadCountFile(countFile);
    return stored.count && *stored.count == count && IsCompleteArchive(archive);
}

std::string ArchiverFingerprint()
{
    return CompressCommandLine("/", "/archive.7z");
}
