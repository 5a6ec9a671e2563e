#include "platform/Paths.h"

#include "platform/PosixSupport.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::string shortPath(const std::string& path)
{
    if (path.empty())
        return {};
    // The kernel's own name for the opened entry is its canonical path: one
    // open and one readlink, where realpath() reads every level of the path
    // as a link, each time walking the path from the top. realpath() still
    // answers when /proc is not there or the entry was removed meanwhile.
    const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        return {};
    if (fd >= 0) {
        char name[PATH_MAX];
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), name, sizeof name);
        ::close(fd);
        if (n > 0 && static_cast<std::size_t>(n) < sizeof name && name[0] == '/') {
            std::string result(name, static_cast<std::size_t>(n));
            if (!result.ends_with(" (deleted)"))
                return result;
        }
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

namespace {

// 1 when a file of a name `length` bytes long could be made in the folder,
// 0 when the name was too long, -1 when the file failed for another reason.
int takesName(const std::string& folder, std::size_t length)
{
    // Hidden, so that nothing that lists the folder meanwhile takes it for
    // an archive.
    const std::string path = folder + "/." + std::string(length - 1, 'n');
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno == ENAMETOOLONG ? 0 : -1;
    ::close(fd);
    (void)::unlink(path.c_str());
    return 1;
}

} // namespace

std::size_t longestNameTaken(const std::string& folder, std::size_t cap)
{
    const long reported = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    std::size_t longest = reported > 0 && static_cast<unsigned long>(reported) < cap
        ? static_cast<std::size_t>(reported)
        : cap;
    if (longest < 2 || takesName(folder, longest) != 0)
        return longest;
    // Too long after all: the longest that is taken lies below, found by halving.
    std::size_t taken = 1;
    std::size_t refused = longest;
    while (refused - taken > 1) {
        const std::size_t middle = taken + (refused - taken) / 2;
        const int result = takesName(folder, middle);
        if (result < 0)
            return longest;
        (result == 1 ? taken : refused) = middle;
    }
    return taken;
}

std::string executableFolder()
{
    std::string exe = shortPath("/proc/self/exe");
    return posix::folderOf(exe);
}

} // namespace platform
