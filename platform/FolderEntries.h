#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a backup's walk needs of one folder, from one listing: the real
// folders in it to walk, the hidden ones it leaves out (so it can say so),
// and the entries that an archive cannot bring back as they were, and how
// many bytes its archive will have to read. Names are sorted by byte order;
// links are never folders here.
struct FolderEntries {
    std::vector<std::string> subfolders;
    std::vector<std::string> hiddenSubfolders;
    std::vector<std::string> specialFiles; // FIFOs, sockets and devices, hidden or not
    std::uint64_t fileBytes = 0; // the sizes of the regular files in it, hidden or not
};
Result<FolderEntries> listFolderEntries(const std::string& folder);

// When the folder's own list of names last changed (an entry made, removed
// or renamed), in nanoseconds of the system clock; empty when it cannot be read.
std::optional<std::int64_t> folderChangeTime(const std::string& folder);

} // namespace platform
