#pragma once

#include <cstddef>

namespace platform {

// How paths are spelled on a platform: the separator and the length of the
// root prefix ("C:\" on Windows, "/" here). The path routines take it as a
// parameter so that both spellings can be exercised on any machine.
struct PathStyle {
    char separator;
    std::size_t rootLength;
};

inline constexpr PathStyle kWindowsPathStyle{ '\\', 3 };
inline constexpr PathStyle kPosixPathStyle{ '/', 1 };

// The style of the platform the program runs on.
const PathStyle& nativePathStyle();

} // namespace platform
