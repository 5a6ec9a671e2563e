#pragma once

#include <memory>
#include <string>

namespace platform {

// Waits for something to change in one folder (a file created, written or
// removed), so that a poll loop can react at once instead of sleeping out
// its interval.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Returns when the folder changed or after at most timeoutMs
    // milliseconds, whichever comes first. Without a working watch it simply
    // sleeps the full time. It may also return early after a change in
    // another watched folder, so a caller always looks again itself.
    // For the user-interface thread only.
    void waitForChange(int timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
