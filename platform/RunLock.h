#pragma once

#include <string>

namespace platform {

// An exclusive lock on a lock file, held from construction until the object
// goes (or the process ends, whichever comes first: the system drops the lock
// of a process that dies). It never waits: a lock that another holder has is
// reported as busy at once. Two locks on the same file exclude each other
// within one process as well as between processes.
class RunLock {
public:
    // Creates the lock file (readable and writable by the user only) when
    // needed and tries once to lock it.
    explicit RunLock(const std::string& lockFile);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool held() const { return m_fd >= 0; }
    // True when the lock could not be had because someone else holds it.
    bool busy() const { return m_busy; }
    // Why the lock is not held, naming the file; empty when it is.
    const std::string& error() const { return m_error; }

private:
    int m_fd = -1;
    bool m_busy = false;
    std::string m_error;
};

} // namespace platform
