#pragma once

#include "platform/PathStyle.h"

#include <cstdint>
#include <string>

// Routines on folder paths shared by every run and window. Paths are byte
// strings; the separator and root prefix come from the path style, the
// platform's own unless a caller asks for another.

// The path with exactly one trailing separator, and each pair of separators
// collapsed into one (a single pass, left to right).
std::string AddBackslash(
    const std::string& path, const platform::PathStyle& style = platform::nativePathStyle());

// The canonical absolute form of an existing path; empty when it does not exist.
std::string ShortPath(const std::string& path);

// The root prefix and the first n+1 folder names of the path, each followed
// by a separator; empty when the path has fewer folders or n is negative.
std::string PathPart(
    const std::string& path, std::int32_t n, const platform::PathStyle& style = platform::nativePathStyle());

// Creates every folder along a path that ends in a separator, from the top
// down, ignoring every failure. The root itself is never created.
void MakeFolders(const std::string& path, const platform::PathStyle& style = platform::nativePathStyle());
