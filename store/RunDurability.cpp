#include "store/RunDurability.h"

#include "platform/Durability.h"

platform::Status MakeRunDurable(
    const std::string& backupTarget, const std::string& runFolder, const std::vector<std::string>& files)
{
    // One flush of the whole file system first: the calls for each file that
    // follow then find their data written already, and cost little more than
    // the look.
    if (auto synced = platform::syncFileSystem(runFolder); !synced)
        return synced;
    for (const std::string& file : files) {
        if (auto synced = platform::syncFile(file); !synced)
            return synced;
    }
    if (auto synced = platform::syncFolder(runFolder); !synced)
        return synced;
    return platform::syncFolder(backupTarget);
}

platform::Status SyncAfterMarkerRemoved(const std::string& runFolder)
{
    return platform::syncFolder(runFolder);
}
