#include "platform/FileTree.h"

#include "platform/PosixSupport.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <sys/stat.h>

namespace platform {
namespace {

// nftw hands its callback no context: one walk at a time per thread.
thread_local std::vector<TreeEntry>* t_entries = nullptr;
thread_local std::string* t_failure = nullptr;

int noteEntry(const char* path, const struct stat* st, int kind, struct FTW*)
{
    if (kind == FTW_DNR || kind == FTW_NS) {
        *t_failure = posix::errorText("Cannot read", path, kind == FTW_NS ? errno : EACCES);
        return 1;
    }
    TreeEntry entry;
    entry.path = path;
    entry.device = static_cast<std::uint64_t>(st->st_dev);
    entry.inode = static_cast<std::uint64_t>(st->st_ino);
    entry.links = static_cast<std::uint64_t>(st->st_nlink);
    entry.size = static_cast<std::uint64_t>(st->st_size);
    entry.folder = S_ISDIR(st->st_mode);
    t_entries->push_back(std::move(entry));
    return 0;
}

int removeEntry(const char* path, const struct stat*, int kind, struct FTW*)
{
    const int done = kind == FTW_DP ? ::rmdir(path) : ::unlink(path);
    if (done != 0) {
        *t_failure = posix::errorText("Cannot remove", path, errno);
        return 1;
    }
    return 0;
}

constexpr int kOpenFolders = 32;

} // namespace

Result<std::vector<TreeEntry>> listTree(const std::string& root)
{
    std::vector<TreeEntry> entries;
    std::string failure;
    t_entries = &entries;
    t_failure = &failure;
    const int walked
        = ::nftw(posix::withoutTrailingSeparators(root).c_str(), noteEntry, kOpenFolders, FTW_PHYS);
    const int error = errno;
    t_entries = nullptr;
    t_failure = nullptr;
    if (walked != 0)
        return Result<std::vector<TreeEntry>>::failure(
            failure.empty() ? posix::errorText("Cannot read", root, error) : failure);
    return entries;
}

Result<std::vector<std::string>> listAllNames(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return Result<std::vector<std::string>>::failure(posix::errorText("Cannot list", folder, errno));
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

Status removeTree(const std::string& root)
{
    std::string failure;
    t_failure = &failure;
    // Deepest first, so that each folder is empty when its turn comes.
    const int walked = ::nftw(
        posix::withoutTrailingSeparators(root).c_str(), removeEntry, kOpenFolders, FTW_PHYS | FTW_DEPTH);
    const int error = errno;
    t_failure = nullptr;
    if (walked != 0)
        return Status::failure(failure.empty() ? posix::errorText("Cannot remove", root, error) : failure);
    return Status::success();
}

Status renameEntry(const std::string& from, const std::string& to)
{
    const std::string source = posix::withoutTrailingSeparators(from);
    const std::string target = posix::withoutTrailingSeparators(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return Status::success();
    return Status::failure(posix::errorText("Cannot rename", source, errno) + " (to \"" + target + "\")");
}

} // namespace platform
