#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What other processes of this user are doing with our files.
namespace platform {

// Whether a process of this user that works in `folder` (its current
// folder) has `file` open, looked up in /proc. When the folder is gone, any
// process of this user counts. Empty when it cannot be told here.
std::optional<bool> isFileOpenInFolder(const std::string& file, const std::string& folder);

// The bytes read so far, by the kernel's count (/proc/<pid>/io), by the
// processes of session `session` other than its leader, together with
// what the children they have waited for had read. Empty when no such
// process is there or none of them can be read.
std::optional<std::uint64_t> bytesReadInSession(int session);

} // namespace platform
