#include "platform/ChangeTimes.h"

#include "platform/PosixSupport.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace platform {
using posix::withoutTrailingSeparators;

namespace {

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Local file systems whose change times only the kernel sets, from this
// machine's own clock. Network file systems take the server's clock, FUSE
// file systems whatever their program says, and FAT keeps no change time.
bool keepsChangeTimes(int folderFd)
{
    struct statfs fs;
    if (::fstatfs(folderFd, &fs) != 0)
        return false;
    constexpr unsigned long kXfs = 0x58465342, kZfs = 0x2fc12fc1, kF2fs = 0xf2f52010, kBcachefs = 0xca451a4e,
                            kOverlay = 0x794c7630;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case kXfs:
    case kZfs:
    case kF2fs:
    case kBcachefs:
    case kOverlay:
        return true;
    default:
        return false;
    }
}

// The folder's entries, real subfolders left out, all changed last before `limit`.
FolderChange entriesChangedSince(DIR* dir, std::int64_t limit)
{
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (entry->d_type == DT_DIR)
            continue;
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? FolderChange::Changed : FolderChange::Unknown;
        if (!S_ISDIR(st.st_mode) && nanoseconds(st.st_ctim) >= limit)
            return FolderChange::Changed;
        errno = 0;
    }
    return errno == 0 ? FolderChange::None : FolderChange::Unknown;
}

} // namespace

std::int64_t wallClockNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

FolderChange folderChangedSince(const std::string& folder, std::int64_t moment)
{
    const int dirFd = ::open(withoutTrailingSeparators(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return FolderChange::Unknown;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return FolderChange::Unknown;
    }
    const std::int64_t limit = moment - kChangeTimeLag;
    struct stat st;
    FolderChange change = FolderChange::Unknown;
    if (keepsChangeTimes(dirFd) && ::fstat(dirFd, &st) == 0)
        change = nanoseconds(st.st_ctim) >= limit ? FolderChange::Changed : entriesChangedSince(dir, limit);
    ::closedir(dir);
    return change;
}

} // namespace platform
