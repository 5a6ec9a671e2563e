#include "platform/RunLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

RunLock::RunLock(const std::string& lockFile)
{
    // O_NOFOLLOW: a link planted under the lock file's name is not followed
    // to create or lock some other file. O_CLOEXEC: the jobs that a run
    // launches must not inherit the lock and keep it after the run.
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = "Cannot open the lock file \"" + lockFile + "\": " + std::strerror(errno);
        return;
    }
    // flock locks belong to the open file, not the process: a second RunLock
    // in this process opens the file again and is refused like any other.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const int error = errno;
        ::close(fd);
        m_busy = error == EWOULDBLOCK;
        m_error = "Cannot lock \"" + lockFile + "\": " + std::strerror(error);
        return;
    }
    m_fd = fd;
}

RunLock::~RunLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor drops the lock
}

} // namespace platform
