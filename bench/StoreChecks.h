#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// What a backup left in its store, looked at from outside: the run folders,
// their archives and count files, which of them are the very same files as
// the previous run's, and what the store takes on disk.
namespace bench {

// The bytes a folder takes on disk as `du -s --block-size=1` counts them: a
// file with several links in the folder counts once. Throws when du fails.
std::uintmax_t diskBytes(const std::string& folder);

// The names of the folders directly in `folder`.
std::set<std::string> subfolderNames(const std::string& folder);

// Why the run folder is not a whole backup of `folders` folders (an archive
// and a count file for each, and the run marked complete), or empty when it is.
std::string runFolderProblem(const std::string& runFolder, std::size_t folders);

// A run folder's archives, split by whether the archive of the same name in
// the previous run folder is the same file (a link to it) or not.
struct Sharing {
    std::vector<std::string> shared;
    std::vector<std::string> own;
    // Count files of shared archives that are not the previous run's count file.
    std::vector<std::string> ownCounts;
};
Sharing sharingWith(const std::string& runFolder, const std::string& previousRunFolder);

} // namespace bench
