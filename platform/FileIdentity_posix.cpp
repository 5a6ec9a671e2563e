#include "platform/FileIdentity.h"

#include "platform/PosixSupport.h"

#include <cerrno>
#include <sys/stat.h>
#include <time.h>

namespace platform {

Result<FileIdentity> fileIdentity(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Result<FileIdentity>::failure(posix::errorText("Cannot look at", path, errno));
    if (!S_ISREG(st.st_mode))
        return Result<FileIdentity>::failure("\"" + path + "\" is not a plain file");
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return identity;
}

std::int64_t wallClockSeconds()
{
    return static_cast<std::int64_t>(::time(nullptr));
}

} // namespace platform
