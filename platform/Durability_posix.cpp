#include "platform/Durability.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {
namespace {

DurabilityObserver& observer()
{
    static DurabilityObserver current;
    return current;
}

void tell(const char* step, const std::string& path)
{
    if (observer())
        observer()(step, path);
}

Status failed(const std::string& what, const std::string& path, int error)
{
    return Status::failure("Cannot " + what + " " + path + ": " + std::strerror(error));
}

// Opens `path` read-only with `flags`, runs `call` on it and closes it;
// `what` names the step in the error text.
template <typename Call>
Status onDescriptor(const std::string& path, int flags, const std::string& what, Call call)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return failed(what, path, errno);
    int error = 0;
    while (call(fd) != 0) {
        if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    ::close(fd);
    return error == 0 ? Status::success() : failed(what, path, error);
}

} // namespace

Status syncFileSystem(const std::string& path)
{
    tell("syncfs", path);
    return onDescriptor(path, O_DIRECTORY, "write to disk the file system of", ::syncfs);
}

bool syncFileSystemReportsErrors()
{
    static const bool reports = [] {
        struct utsname name { };
        if (::uname(&name) != 0)
            return false;
        int major = 0;
        int minor = 0;
        if (std::sscanf(name.release, "%d.%d", &major, &minor) != 2)
            return false;
        return major > 5 || (major == 5 && minor >= 8);
    }();
    return reports;
}

Status syncFile(const std::string& path)
{
    tell("fsync file", path);
    return onDescriptor(path, O_NOFOLLOW | O_NOCTTY, "write to disk", ::fsync);
}

Status syncFolder(const std::string& path)
{
    tell("fsync folder", path);
    Status synced = onDescriptor(path, O_DIRECTORY, "write to disk the folder", ::fsync);
    // EINVAL: the file system keeps no folder data that could be written.
    if (!synced && synced.error().ends_with(std::strerror(EINVAL)))
        return Status::success();
    return synced;
}

DurabilityObserver setDurabilityObserver(DurabilityObserver replacement)
{
    DurabilityObserver previous = std::move(observer());
    observer() = std::move(replacement);
    return previous;
}

} // namespace platform
