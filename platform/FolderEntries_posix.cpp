#include "platform/FolderEntries.h"

#include "platform/PosixSupport.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
using posix::errorText;
using posix::withoutTrailingSeparators;

namespace {

// The entry's type, looked up only on file systems whose listing lacks it;
// DT_UNKNOWN for an entry that vanished meanwhile.
unsigned char typeOf(int dirFd, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type;
    struct stat st;
    if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    if (S_ISDIR(st.st_mode))
        return DT_DIR;
    if (S_ISFIFO(st.st_mode))
        return DT_FIFO;
    if (S_ISSOCK(st.st_mode))
        return DT_SOCK;
    if (S_ISCHR(st.st_mode))
        return DT_CHR;
    if (S_ISBLK(st.st_mode))
        return DT_BLK;
    return DT_REG;
}

// The size of a regular file in the open folder; 0 for one that vanished.
std::uint64_t sizeOf(int dirFd, const char* name)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

void sortAll(FolderEntries& entries)
{
    std::sort(entries.subfolders.begin(), entries.subfolders.end());
    std::sort(entries.hiddenSubfolders.begin(), entries.hiddenSubfolders.end());
    std::sort(entries.specialFiles.begin(), entries.specialFiles.end());
}

} // namespace

Result<FolderEntries> listFolderEntries(const std::string& folder)
{
    const std::string dirPath = withoutTrailingSeparators(folder);
    const int dirFd = ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return Result<FolderEntries>::failure(errorText("Cannot list", folder, errno));
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        const int error = errno;
        ::close(dirFd);
        return Result<FolderEntries>::failure(errorText("Cannot list", folder, error));
    }
    FolderEntries entries;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const unsigned char type = typeOf(dirFd, *entry);
        if (type == DT_DIR)
            (name[0] == '.' ? entries.hiddenSubfolders : entries.subfolders).push_back(name);
        else if (type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK)
            entries.specialFiles.push_back(name);
        else if (type == DT_REG)
            entries.fileBytes += sizeOf(dirFd, entry->d_name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        return Result<FolderEntries>::failure(errorText("Cannot list", folder, error));
    sortAll(entries);
    return entries;
}

std::optional<std::int64_t> folderChangeTime(const std::string& folder)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace platform
