#include "platform/ChangeTimes.h"

#include "platform/PosixSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace platform {
using posix::errorText;
using posix::withoutTrailingSeparators;

namespace {

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool keepsChangeTimes(const struct statfs& fs)
{
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

std::uint64_t fileSystemId(const struct statfs& fs)
{
    int halves[2];
    static_assert(sizeof halves == sizeof fs.f_fsid);
    std::memcpy(halves, &fs.f_fsid, sizeof halves);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(halves[0])) << 32)
        | static_cast<std::uint32_t>(halves[1]);
}

// Every entry of the open folder but its real subfolders; false with errno
// set when the listing or a look at an entry fails.
bool lookAtEntries(DIR* dir, std::vector<EntryLook>& entries)
{
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (entry->d_type == DT_DIR) {
            errno = 0;
            continue;
        }
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return false;
        } else if (!S_ISDIR(st.st_mode)) {
            entries.push_back({ name, static_cast<std::uint64_t>(st.st_ino),
                static_cast<std::uint64_t>(st.st_size), static_cast<std::uint32_t>(st.st_mode),
                nanoseconds(st.st_mtim), nanoseconds(st.st_ctim) });
        }
        errno = 0;
    }
    return errno == 0;
}

} // namespace

std::int64_t wallClockNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

Result<FolderLook> lookAtFolder(const std::string& folder)
{
    FolderLook look;
    look.readAt = wallClockNanoseconds();
    const int dirFd = ::open(withoutTrailingSeparators(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return Result<FolderLook>::failure(errorText("Cannot list", folder, errno));
    struct stat st;
    struct statfs fs;
    if (::fstat(dirFd, &st) != 0 || ::fstatfs(dirFd, &fs) != 0) {
        const int error = errno;
        ::close(dirFd);
        return Result<FolderLook>::failure(errorText("Cannot look at", folder, error));
    }
    look.inode = static_cast<std::uint64_t>(st.st_ino);
    look.fileSystem = fileSystemId(fs);
    look.changeTimesKept = keepsChangeTimes(fs);
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        const int error = errno;
        ::close(dirFd);
        return Result<FolderLook>::failure(errorText("Cannot list", folder, error));
    }
    const bool listed = lookAtEntries(dir, look.entries);
    const int error = errno;
    ::closedir(dir);
    if (!listed)
        return Result<FolderLook>::failure(errorText("Cannot list", folder, error));
    std::sort(look.entries.begin(), look.entries.end(),
        [](const EntryLook& a, const EntryLook& b) { return a.name < b.name; });
    return look;
}

} // namespace platform
