#pragma once

#include <string>

// Where a path really leads. Paths are byte strings exactly as the kernel
// holds them.
namespace platform {

// The absolute, canonical form of an existing path (symbolic links and ".."
// resolved); empty when the path does not exist.
std::string shortPath(const std::string& path);

// The canonical folder of the running executable.
std::string executableFolder();

} // namespace platform
