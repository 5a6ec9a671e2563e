#include "backup/FolderSight.h"

#include "platform/ChangeTimes.h"

FolderSight LookAtFolder(const std::string& folder, const std::string& archiveName)
{
    auto look = platform::lookAtFolder(folder);
    if (!look)
        return {};
    FolderSight sight;
    sight.changeTimesKept = look->changeTimesKept;
    FolderSeen seen{ archiveName, folder, look->fileSystem, look->inode, false, {} };
    seen.entries.reserve(look->entries.size());
    // A change in the same tick as the look, made after it, would leave the
    // entry's change time as it is: only times clearly before the look tell
    // that nothing changed since.
    const std::int64_t settled = look->readAt - kSameTickMargin;
    for (const platform::EntryLook& entry : look->entries) {
        if (entry.changed >= settled)
            seen.tooRecent = true;
        seen.entries.push_back(
            { entry.name, entry.inode, entry.size, entry.mode, entry.modified, entry.changed });
    }
    sight.seen = std::move(seen);
    return sight;
}
