#pragma once

#include "platform/PathStyle.h"

#include <cstdint>
#include <string>

// Routines on folder paths and file names shared by every window. Paths are
// byte strings; the separator and root prefix come from the path style, the
// platform's own unless a caller asks for another.

// The path with exactly one trailing separator, and each pair of separators
// collapsed into one (a single pass, left to right).
std::string AddBackslash(const std::string& path,
                         const platform::PathStyle& style = platform::nativePathStyle());

// The canonical absolute form of an existing path; empty when it does not exist.
std::string ShortPath(const std::string& path);

// The root prefix and the first n+1 folder names of the path, each followed
// by a separator; empty when the path has fewer folders or n is negative.
std::string PathPart(const std::string& path, std::int32_t n,
                     const platform::PathStyle& style = platform::nativePathStyle());

// Creates every folder along a path that ends in a separator, from the top
// down, ignoring every failure. The root itself is never created.
void MakeFolders(const std::string& path,
                 const platform::PathStyle& style = platform::nativePathStyle());

// Writes every byte that is not an ASCII letter or digit as '%' and two
// upper-case hexadecimal digits; leading and trailing spaces are dropped.
std::string EscapeString(const std::string& text);

// Turns every '%' escape back into its byte; leading and trailing spaces are
// dropped first. Malformed escapes decode as far as their digits go.
std::string UnescapeString(const std::string& text);

// The archive base name of a folder path: the escaped path with every '%'
// written as "_P-". A text already holding "_P-" counts as encoded and is
// returned unchanged.
std::string EncodePath(const std::string& path);

// The folder path of an archive base name; names without "_P-" are returned
// unchanged. A name escaped twice is decoded twice, never a third time.
std::string DecodePath(const std::string& name);

// The folder that holds the job files and the archiver link, fixed once at
// start-up (canonical form, no trailing separator). Empty until then.
inline std::string AppFolder;
