#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

// Listing folders and telling what an entry is. Paths are byte strings
// exactly as the kernel holds them.
namespace platform {

// Attribute bits of a listed entry.
inline constexpr unsigned kAttrDirectory = 16;

// Lists the names in a folder, sorted by byte order. Hidden entries (names
// beginning with '.') are never returned, and neither are "." and "..".
// Real directories are returned only when includeDirectories is set; every
// other entry (files, symbolic links to anything, FIFOs, sockets) always is.
// The folder may be given with or without a trailing separator.
Result<std::vector<std::string>> listFolder(const std::string& folder, bool includeDirectories);

// The real folders directly in a folder (never links to folders), sorted
// by byte order, hidden ones left out: the listing's own entry types, looked
// up one by one only on file systems that do not give them.
Result<std::vector<std::string>> listSubfolders(const std::string& folder);

// The symbolic links directly in a folder, hidden ones too, sorted by byte
// order: the listing's own entry types, looked up one by one only on file
// systems that do not give them.
Result<std::vector<std::string>> listLinks(const std::string& folder);

// The entries listFolder(folder, false) returns, each marked when it is a
// regular file that this user cannot read. One listing, and one look per
// entry relative to the open folder, rather than a walk of the whole path
// for every entry.
struct ListedFile {
    std::string name;
    bool unreadable = false;
};
Result<std::vector<ListedFile>> listFiles(const std::string& folder);

// Attributes of one entry, from lstat: kAttrDirectory only for a real
// directory, never for a link to one. Fails when the entry does not exist.
Result<unsigned> attributes(const std::string& path);

// True when the exact path names an entry that a listing of ordinary files
// would return: it exists (a dangling link counts) and is not a real directory.
bool fileExists(const std::string& path);

// True when the path names an existing folder, following links, with or
// without a trailing separator.
bool folderExists(const std::string& path);

// True when the path names a regular file, following links: not a folder, a
// FIFO, a socket or a device, whose reading could block or never end.
bool isPlainFile(const std::string& path);

} // namespace platform
