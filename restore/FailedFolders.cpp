#include "restore/FailedFolders.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/StoreLayout.h"

#include <algorithm>

namespace {

std::string withoutSeparator(const std::string& folder)
{
    std::string path = AddBackslash(folder);
    path.pop_back();
    return path;
}

} // namespace

bool HoldsWhole(const StoredRun& run, const std::optional<RunJournal>& journal, const std::string& path,
    const std::string& archive)
{
    const std::string folder = AddBackslash(run.folder);
    if (!journal) {
        return ReachedItsEnd(run.verdict) && !archive.empty() && platform::isPlainFile(folder + archive);
    }
    const bool failed = std::any_of(journal->failed.begin(), journal->failed.end(),
        [&path](const JournalFailure& failure) { return failure.path == path; });
    if (failed)
        return false;
    return std::any_of(journal->held.begin(), journal->held.end(), [&](const JournalFolder& held) {
        return held.path == path && platform::isPlainFile(folder + held.archive);
    });
}

std::vector<FailedFolder> FailedFoldersOf(const std::string& runFolder, const std::vector<StoredRun>& runs)
{
    const std::optional<RunJournal> journal = ReadRunJournal(runFolder);
    if (!journal)
        return {};
    std::vector<FailedFolder> folders;
    std::vector<std::string> archives;
    for (const JournalFailure& failure : journal->failed) {
        const bool partly = std::any_of(journal->held.begin(), journal->held.end(),
            [&failure](const JournalFolder& held) { return held.path == failure.path; });
        folders.push_back({ failure.path, failure.why, std::nullopt, partly });
        archives.push_back(failure.archive.empty() ? ArchiveName(failure.path) : failure.archive);
    }
    std::size_t open = folders.size();
    const std::string self = withoutSeparator(runFolder);
    for (const StoredRun& run : runs) {
        if (open == 0)
            break;
        if (withoutSeparator(run.folder) == self)
            continue;
        const std::optional<RunJournal> other = ReadRunJournal(run.folder);
        for (std::size_t i = 0; i < folders.size(); ++i) {
            if (!folders[i].heldBy && HoldsWhole(run, other, folders[i].path, archives[i])) {
                folders[i].heldBy = run.date;
                --open;
            }
        }
    }
    return folders;
}

std::string NotInThisBackupLine(const FailedFolder& folder)
{
    return std::string(folder.partly ? "Not whole in this backup: " : "Not in this backup: ") + folder.path
        + (folder.heldBy ? " (held whole by the backup of " + *folder.heldBy + ")" : " (held by no backup)");
}
