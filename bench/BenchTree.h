#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Trees of folders and files for the benchmarks, made the same way for the
// same seed.
namespace bench {

// `folders` folders under `root` (root included), about four levels deep:
// folder i > 0 lies in folder (i - 1) / fanOut, with the smallest fan-out
// that fits them in four levels. Each folder gets `filesPerFolder` files of
// `minBytes` to `maxBytes` bytes, part text, part random bytes. Returns the
// folders in the order made (root first).
std::vector<std::string> makeTree(
    const std::string& root, int folders, int filesPerFolder, int minBytes, int maxBytes, std::uint64_t seed);

// The smallest fan-out that holds `folders` folders in four levels.
int fanOutFor(int folders);

// Every plain file below `root` that is not hidden and lies in no hidden
// folder, keyed by path relative to `root`, with its size.
std::map<std::string, std::uintmax_t> filesBelow(const std::string& root);

// True when every file below `original` has a file of the same bytes at the
// same relative path below `copy`; the first difference goes to `why`.
bool sameFiles(const std::string& original, const std::string& copy, std::string& why);

} // namespace bench
