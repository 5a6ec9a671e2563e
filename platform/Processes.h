#pragma once

#include <optional>
#include <string>

// What other processes of this user are doing with our files.
namespace platform {

// Whether a process of this user that works in `folder` (its current
// folder) has `file` open, looked up in /proc. When the folder is gone, any
// process of this user counts. Empty when it cannot be told here.
std::optional<bool> isFileOpenInFolder(const std::string& file, const std::string& folder);

} // namespace platform
