#pragma once

#include <cstddef>
#include <string>

// Where a path really leads. Paths are byte strings exactly as the kernel
// holds them.
namespace platform {

// The absolute, canonical form of an existing path (symbolic links and ".."
// resolved); empty when the path does not exist.
std::string shortPath(const std::string& path);

// The longest name, in bytes, that a new file in `folder` may have, at most
// `cap`: what the file system reports, tried by making (and removing) a
// hidden file of that length there. Some file systems (eCryptfs) report more
// than they take; the length is then lowered until a file can be made. When
// no file can be made there for another reason, what the file system reports.
std::size_t longestNameTaken(const std::string& folder, std::size_t cap);

// The canonical folder of the running executable.
std::string executableFolder();

} // namespace platform
