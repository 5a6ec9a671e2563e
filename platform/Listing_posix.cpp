#include "platform/Listing.h"

#include "platform/PosixSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace platform {
using posix::errorText;
using posix::withoutTrailingSeparators;

namespace {

// Lists a folder as listFolder does, calling `take` with the open folder and
// each entry that passes; `take` keeps what it wants of it. Hidden entries
// pass only when asked for.
template <typename Take>
Status forEachListed(
    const std::string& folder, bool includeDirectories, Take take, bool includeHidden = false)
{
    // opendir rather than open and fdopendir: the latter looks the
    // descriptor's flags up and sets them again, two calls per listing.
    DIR* dir = ::opendir(withoutTrailingSeparators(folder).c_str());
    if (!dir)
        return Status::failure(errorText("Cannot list", folder, errno));
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.'
            && (!includeHidden || std::strcmp(entry->d_name, ".") == 0
                || std::strcmp(entry->d_name, "..") == 0))
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                errno = 0;
                continue; // vanished while listing
            }
            type = S_ISDIR(st.st_mode) ? DT_DIR
                : S_ISREG(st.st_mode)  ? DT_REG
                : S_ISLNK(st.st_mode)  ? DT_LNK
                                       : DT_UNKNOWN;
        }
        if (type == DT_DIR && !includeDirectories)
            continue;
        take(dirFd, entry->d_name, type);
        errno = 0;
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0)
        return Status::failure(errorText("Cannot list", folder, error));
    return Status::success();
}

} // namespace

Result<std::vector<std::string>> listFolder(const std::string& folder, bool includeDirectories)
{
    std::vector<std::string> names;
    auto listed = forEachListed(folder, includeDirectories,
        [&names](int, const char* name, unsigned char) { names.emplace_back(name); });
    if (!listed)
        return Result<std::vector<std::string>>::failure(listed.error());
    std::sort(names.begin(), names.end());
    return names;
}

Result<std::vector<std::string>> listSubfolders(const std::string& folder)
{
    std::vector<std::string> names;
    auto listed = forEachListed(folder, true, [&names](int, const char* name, unsigned char type) {
        if (type == DT_DIR)
            names.emplace_back(name);
    });
    if (!listed)
        return Result<std::vector<std::string>>::failure(listed.error());
    std::sort(names.begin(), names.end());
    return names;
}

Result<std::vector<std::string>> listLinks(const std::string& folder)
{
    std::vector<std::string> names;
    auto listed = forEachListed(
        folder, false,
        [&names](int, const char* name, unsigned char type) {
            if (type == DT_LNK)
                names.emplace_back(name);
        },
        true);
    if (!listed)
        return Result<std::vector<std::string>>::failure(listed.error());
    std::sort(names.begin(), names.end());
    return names;
}

Result<std::vector<ListedFile>> listFiles(const std::string& folder)
{
    std::vector<ListedFile> files;
    auto listed = forEachListed(folder, false, [&files](int dirFd, const char* name, unsigned char type) {
        files.push_back({ name, type == DT_REG && ::faccessat(dirFd, name, R_OK, 0) != 0 });
    });
    if (!listed)
        return Result<std::vector<ListedFile>>::failure(listed.error());
    std::sort(
        files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
    return files;
}

Result<unsigned> attributes(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Result<unsigned>::failure(errorText("Cannot read the attributes of", path, errno));
    return S_ISDIR(st.st_mode) ? kAttrDirectory : 0u;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    if (path.empty() || path.back() == '/')
        return false;
    return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isPlainFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
