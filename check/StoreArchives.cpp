#include "check/StoreArchives.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

std::string runFolderName(const std::string& runFolder)
{
    return runFolder.substr(runFolder.find_last_of('/') + 1);
}

// The folder an archive stands for, as the user names it.
std::string folderOf(const std::string& archive, const std::optional<RunJournal>& journal)
{
    std::string folder;
    if (journal)
        for (const JournalFolder& held : journal->held)
            if (held.archive == archive) {
                folder = held.path;
                break;
            }
    if (folder.empty())
        folder = DecodePath(archive.substr(0, archive.size() - (sizeof kArchiveExtension - 1)));
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::vector<StoreArchive> ListStoreArchives(const std::string& backupTarget, const CheckRecord& record)
{
    std::vector<StoreArchive> archives;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> byFile;
    // Newest run first, so each file's first name is its newest one.
    for (const StoredRun& run : ListRuns(backupTarget)) {
        auto names = platform::listFolder(run.folder, false);
        if (!names)
            continue;
        std::optional<RunJournal> journal;
        bool journalRead = false;
        for (const std::string& name : *names) {
            if (!IsArchiveName(name))
                continue;
            const auto identity = platform::fileIdentity(run.folder + "/" + name);
            if (!identity)
                continue;
            if (!journalRead) {
                journal = ReadRunJournal(run.folder);
                journalRead = true;
            }
            const ArchiveHolder holder{ run.date, run.folder, name, folderOf(name, journal) };
            const std::string path = runFolderName(run.folder) + "/" + name;
            const auto key = std::make_pair(identity->device, identity->inode);
            auto [it, added] = byFile.emplace(key, archives.size());
            if (added) {
                StoreArchive archive;
                archive.path = path;
                archive.identity = *identity;
                archives.push_back(std::move(archive));
            }
            StoreArchive& archive = archives[it->second];
            archive.holders.push_back(holder);
            // Any of its names may be the one the record knows it by: on a
            // file system that gives new file numbers on every mount, only
            // the path of the name that was checked finds it.
            if (const CheckedFile* last = record.lastCheckOf(path, *identity);
                last && (!archive.last || last->checked > archive.last->checked))
                archive.last = *last;
        }
    }
    return archives;
}

std::vector<std::size_t> CheckOrder(const std::vector<StoreArchive>& archives)
{
    std::vector<std::size_t> order(archives.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&archives](std::size_t a, std::size_t b) {
        const auto when = [](const StoreArchive& archive) {
            return archive.last ? archive.last->checked : std::int64_t{ -1 };
        };
        return when(archives[a]) < when(archives[b]);
    });
    return order;
}

std::string ArchiveFilePath(const std::string& backupTarget, const StoreArchive& archive)
{
    return AddBackslash(backupTarget) + archive.path;
}

std::string DamageLine(const StoreArchive& archive)
{
    std::string line = "Damaged: " + (archive.holders.empty() ? archive.path : archive.holders.front().folder)
        + " in the archive of ";
    line += archive.holders.size() == 1 ? "the run " : std::to_string(archive.holders.size()) + " runs: ";
    for (std::size_t i = 0; i < archive.holders.size(); ++i)
        line += (i == 0 ? "" : ", ") + archive.holders[i].runDate;
    return line;
}
