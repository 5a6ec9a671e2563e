#pragma once

#include "platform/Result.h"

#include <string>

namespace platform {

// The target a symbolic link holds, byte for byte; fails for anything that
// is not a link.
Result<std::string> symlinkTarget(const std::string& path);

} // namespace platform

namespace platform {

// True when `path` (links followed) is a regular file this user may run.
bool isRunnableProgram(const std::string& path);

} // namespace platform
