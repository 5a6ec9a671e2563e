#include "platform/FolderWatch.h"

#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// One inotify instance serves every watch of the program. Closing an instance
// waits for a kernel grace period (5 to 25 ms measured), which every batch job
// would otherwise pay at its end; taking one watch off a living instance does
// not wait.
int sharedInstance()
{
    static const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd;
}

// Watches of the same folder share one watch descriptor; it goes when the
// last of them does.
std::map<int, int>& watchUsers()
{
    static std::map<int, int> users;
    return users;
}

// Reads and drops every queued event.
void drain(int fd)
{
    alignas(inotify_event) char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

} // namespace

struct FolderWatch::Impl {
    int wd = -1;
};

FolderWatch::FolderWatch(const std::string& folder) : m_impl(std::make_unique<Impl>())
{
    const int fd = sharedInstance();
    if (fd < 0)
        return;
    // Only what appears: a wait for a file must not wake for every write to
    // another file in the folder, or for the removals made before it.
    const uint32_t events = IN_CREATE | IN_MOVED_TO;
    const int wd = ::inotify_add_watch(fd, folder.c_str(), events);
    if (wd < 0)
        return;
    ++watchUsers()[wd];
    m_impl->wd = wd;
    // What is queued is older than this watch (the end of an earlier watch
    // queues an event of its own): it would end the first wait at once.
    drain(fd);
}

FolderWatch::~FolderWatch()
{
    if (m_impl->wd < 0)
        return;
    auto& users = watchUsers();
    if (--users[m_impl->wd] == 0) {
        users.erase(m_impl->wd);
        ::inotify_rm_watch(sharedInstance(), m_impl->wd);
    }
}

void FolderWatch::waitForChange(int timeoutMs)
{
    if (m_impl->wd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    pollfd p{sharedInstance(), POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) > 0)
        drain(p.fd); // only the fact of a change matters
}

} // namespace platform
