#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

// A whole folder tree as the file system holds it: what each entry is and
// how many names its file has, so that the bytes a removal frees can be
// told before anything is removed; and the removal itself.
namespace platform {

struct TreeEntry {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0; // the file's names in the whole file system
    std::uint64_t size = 0; // its apparent size: the length of a file, a folder's or link's own size
    bool folder = false;
};

// The folder and every entry below it, hidden ones included, links not
// followed. Fails when any part cannot be read.
Result<std::vector<TreeEntry>> listTree(const std::string& root);

// Every name in a folder, hidden ones included ("." and ".." left out),
// sorted by byte order.
Result<std::vector<std::string>> listAllNames(const std::string& folder);

// Removes the folder and everything below it, links not followed. Fails on
// the first entry that cannot be removed, naming it; what could be removed
// before is gone.
Status removeTree(const std::string& root);

// Gives a file or folder a new name in the same file system. Never replaces
// what is at the new name: that fails.
Status renameEntry(const std::string& from, const std::string& to);

} // namespace platform
