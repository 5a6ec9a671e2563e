#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>

namespace platform {

// What tells one stored file from another without reading it: the file
// system's number of it (shared by every hard link to it), its length and
// when its bytes last changed.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since 1970 (UTC)
};

// The identity of a regular file itself (a link is not followed); fails for
// anything else or a path that is not there.
Result<FileIdentity> fileIdentity(const std::string& path);

// Seconds since 1970 (UTC) by the wall clock.
std::int64_t wallClockSeconds();

} // namespace platform
