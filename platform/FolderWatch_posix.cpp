#include "platform/FolderWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace platform {

struct FolderWatch::Impl {
    int fd = -1;
};

FolderWatch::FolderWatch(const std::string& folder) : m_impl(std::make_unique<Impl>())
{
    m_impl->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_impl->fd < 0)
        return;
    const uint32_t events = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_ATTRIB;
    if (::inotify_add_watch(m_impl->fd, folder.c_str(), events) < 0) {
        ::close(m_impl->fd);
        m_impl->fd = -1;
    }
}

FolderWatch::~FolderWatch()
{
    if (m_impl->fd >= 0)
        ::close(m_impl->fd);
}

void FolderWatch::waitForChange(int timeoutMs)
{
    if (m_impl->fd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    pollfd p{m_impl->fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) > 0) {
        // Drain the queued events; only the fact of a change matters.
        alignas(inotify_event) char buffer[4096];
        while (::read(m_impl->fd, buffer, sizeof buffer) > 0) {
        }
    }
}

} // namespace platform
