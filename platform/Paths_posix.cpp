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

std::string executableFolder()
{
    std::string exe = shortPath("/proc/self/exe");
    return posix::folderOf(exe);
}

} // namespace platform
