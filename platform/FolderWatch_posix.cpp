#include "platform/FolderWatch.h"

#include <algorithm>
#include <chrono>
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

// Watches of the same folder share one watch descriptor. The last one used
// stays in place when its watches end: the next batch job watches the same
// folder, and adding it again then finds it there. It goes when another
// folder's watch takes its place, and none of its watches is left.
struct Descriptors {
    std::map<int, int> users;
    int kept = -1;
};

Descriptors& descriptors()
{
    static Descriptors d;
    return d;
}

void removeIfUnused(int wd)
{
    Descriptors& d = descriptors();
    if (wd < 0 || d.users.count(wd) != 0)
        return;
    ::inotify_rm_watch(sharedInstance(), wd);
}

// Reads every queued event. True when one of them ends a wait for `name`
// (any name when it is empty), or the queue overflowed and anything may
// have been missed.
bool drain(int fd, const std::string& name)
{
    alignas(inotify_event) char buffer[4096];
    bool seen = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return seen;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const bool overflow = (event->mask & IN_Q_OVERFLOW) != 0;
            const bool appeared = (event->mask & (IN_CREATE | IN_MOVED_TO)) != 0
                && (name.empty() || (event->len > 0 && name == event->name));
            seen = seen || overflow || appeared;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

} // namespace

struct FolderWatch::Impl {
    int wd = -1;
};

FolderWatch::FolderWatch(const std::string& folder)
    : m_impl(std::make_unique<Impl>())
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
    Descriptors& d = descriptors();
    ++d.users[wd];
    m_impl->wd = wd;
    if (d.kept != wd) {
        const int previous = d.kept;
        d.kept = wd;
        removeIfUnused(previous);
    }
    // What is queued is older than this watch: it would end the first wait
    // at once.
    (void)drain(fd, {});
}

FolderWatch::~FolderWatch()
{
    if (m_impl->wd < 0)
        return;
    Descriptors& d = descriptors();
    if (--d.users[m_impl->wd] == 0) {
        d.users.erase(m_impl->wd);
        if (m_impl->wd != d.kept)
            removeIfUnused(m_impl->wd);
    }
}

void FolderWatch::waitForChange(int timeoutMs)
{
    (void)waitFor({}, timeoutMs);
}

bool FolderWatch::waitFor(const std::string& name, int timeoutMs)
{
    if (m_impl->wd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                  .count();
        pollfd p{ sharedInstance(), POLLIN, 0 };
        if (::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0)
            return false;
        if (drain(p.fd, name))
            return true;
        if (left <= 0)
            return false;
    }
}

} // namespace platform
