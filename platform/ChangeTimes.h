#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

// What a folder holds as the file system tells it, down to the change times
// (ctime): the kernel sets them whenever an entry's bytes, name, links or
// attributes change, and no user tool can set them back, unlike the
// modification time that `touch -d` or an unpacked archive choose freely.
namespace platform {

// Nanoseconds since 1970 by the system's wall clock, the clock the file
// systems stamp change times with.
std::int64_t wallClockNanoseconds();

// One entry directly in a folder, as its own link (links are not followed).
struct EntryLook {
    std::string name;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::uint32_t mode = 0; // type and permission bits
    std::int64_t modified = 0; // mtime, nanoseconds since 1970
    std::int64_t changed = 0; // ctime, nanoseconds since 1970
};

struct FolderLook {
    std::uint64_t fileSystem
        = 0; // the file system's own id (statfs), which stays when a disk is plugged in again
    std::uint64_t inode = 0;
    // The folder lies on a local file system whose change times only the
    // kernel sets, from this machine's clock. Network file systems take the
    // server's clock, FUSE file systems whatever their program says, and FAT
    // keeps no change time.
    bool changeTimesKept = false;
    std::int64_t readAt = 0; // the wall clock just before the folder was listed
    std::vector<EntryLook> entries; // every entry but real subfolders, in byte order of names
};

// Lists `folder` and looks at each entry in it; a failure when it cannot be
// listed, or an entry cannot be looked at (one that vanished meanwhile is left out).
Result<FolderLook> lookAtFolder(const std::string& folder);

} // namespace platform
