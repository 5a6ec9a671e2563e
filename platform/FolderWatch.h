#pragma once

#include <memory>
#include <string>

namespace platform {

// Waits for something to appear in one folder (a file created or moved
// in), so that a poll loop waiting for a file can react at once instead of
// sleeping out its interval. Files written or removed there wake nobody.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Returns when something appeared in the folder since the watch was
    // made or the last wait returned, or after at most timeoutMs
    // milliseconds, whichever comes first. Without a working watch it simply
    // sleeps the full time. It may also return early after a change in
    // another watched folder, so a caller always looks again itself.
    // For the user-interface thread only.
    void waitForChange(int timeoutMs);

    // The same, but only `name` appearing ends the wait early; other names
    // that appear meanwhile are passed over. True when it did (or when the
    // watch may have missed it), false after the full time.
    bool waitFor(const std::string& name, int timeoutMs);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
