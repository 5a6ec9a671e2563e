#include "store/RunDurability.h"

#include "platform/Durability.h"
#include "platform/FileOps.h"

platform::Status MakeRunDurable(
    const std::string& backupTarget, const std::string& runFolder, const std::vector<std::string>& files)
{
    // One flush of the whole file system writes every file of the run.
    if (auto synced = platform::syncFileSystem(runFolder); !synced)
        return synced;
    for (const std::string& file : files) {
        // Where that flush also tells of data lost on the way, a call for
        // each file would only repeat it: on a file system without a journal
        // every such call makes the disk empty its cache once more, some
        // milliseconds a file, two files a folder. Each file must still be
        // there: one that is gone is no backup, whatever reached the disk.
        if (platform::syncFileSystemReportsErrors()) {
            if (!platform::isRegularFileItself(file))
                return platform::Status::failure("Cannot write to disk " + file + ": it is gone");
        } else if (auto synced = platform::syncFile(file); !synced) {
            return synced;
        }
    }
    // The folders are written after the files, each with the disk's cache
    // emptied, so what the flush above wrote last is on the disk too.
    if (auto synced = platform::syncFolder(runFolder); !synced)
        return synced;
    return platform::syncFolder(backupTarget);
}

platform::Status SyncAfterMarkerRemoved(const std::string& runFolder)
{
    return platform::syncFolder(runFolder);
}
