#include "platform/SymlinkTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform {

Result<std::string> symlinkTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return Result<std::string>::failure("Not a symbolic link: " + path);
    // The size lstat gives may be 0 (some file systems) or change meanwhile:
    // grow the buffer until the whole target fits.
    std::vector<char> buffer(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return Result<std::string>::failure("Cannot read the symbolic link " + path);
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform

namespace platform {

bool isRunnableProgram(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace platform
