#pragma once

#include <memory>
#include <string>

namespace platform {

// Waits for something to appear in one folder (a file created or moved
// in), so that a poll loop waiting for a file can react at once instead of
// sleeping out its interval. Files written or removed there wake nobody.
// Given a name, only that name appearing ends a wait early.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder, const std::string& name = {});
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Returns when something (or the watched name) appeared in the folder
    // since the watch was made or the last wait returned, or after at most timeoutMs
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
