#include "backup/BackupRun.h"

#include "backup/BackupTexts.h"
#include "backup/FolderSight.h"
#include "platform/FileOps.h"
#include "platform/FolderEntries.h"
#include "platform/Listing.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"
#include "store/LeaveOutList.h"

#include <algorithm>
#include <iterator>

// What the backup leaves out by the user's choice: hidden folders walked or
// not, and the files the exclusion patterns name, handed to the archiver.

std::vector<std::string> BackupRun::walkedSubfolders(platform::FolderEntries& entries) const
{
    if (!m_rules.hiddenToo())
        return std::move(entries.subfolders);
    std::vector<std::string> all;
    all.reserve(entries.subfolders.size() + entries.hiddenSubfolders.size());
    std::merge(std::make_move_iterator(entries.subfolders.begin()),
        std::make_move_iterator(entries.subfolders.end()),
        std::make_move_iterator(entries.hiddenSubfolders.begin()),
        std::make_move_iterator(entries.hiddenSubfolders.end()), std::back_inserter(all));
    return all;
}

void BackupRun::leaveOutNames(std::size_t index, const std::string& folder, FolderSight& sight)
{
    if (!m_rules.patternsInUse())
        return;
    std::vector<std::string> names;
    if (sight.seen) {
        names.reserve(sight.seen->entries.size());
        for (const SeenEntry& entry : sight.seen->entries)
            names.push_back(entry.name);
    } else if (auto listed = platform::listFolder(folder, false)) {
        names = std::move(listed).value();
    }
    std::vector<std::string> kept;
    for (WalkRules::LeftOutName& left : m_rules.namesLeftOut(index, folder, names)) {
        if (CanLeaveOut(left.name))
            sight.leftOut.push_back(std::move(left.name));
        else
            kept.push_back(std::move(left.name));
    }
    if (!sight.leftOut.empty())
        log("Files not backed up, by pattern, in " + folder + ": " + joined(sight.leftOut));
    // The archiver takes its list as UTF-8 lines: such a name is stored
    // rather than risk the whole folder.
    if (!kept.empty())
        warn("Files stored although a pattern names them (a name that is not UTF-8 or holds a line break "
             "cannot be left out) in "
            + folder + ": " + joined(kept));
}

std::string BackupRun::writeLeaveOutList(
    const std::string& folder, const std::vector<std::string>& leftOut, const std::string& listFile)
{
    if (leftOut.empty())
        return {};
    if (auto written = WriteLeaveOutList(listFile, leftOut); !written)
        throw RunError(
            "The list of files to leave out of " + folder + " could not be written.\r\n" + written.error());
    return listFile;
}
