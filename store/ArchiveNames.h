#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Archive names that fit the store's file system. A folder's archive is
// named by its encoded path (ArchiveName); a deep folder's encoded path may
// be longer than a file name can be, and its archive is then stored under a
// shortened name: a readable head of the encoded path, a marker and a hash
// of the whole path, with ".7z". Its real path is kept in a hidden path file
// beside it, which the restore reads, and in the run's journal.
//
// The marker cannot come out of EncodePath: every '_' of a path is escaped
// there, so an encoded name holds '_' only as the start of the escape "_P-",
// and a path that itself holds "_P-" is never backed up. An archive name
// holding "_H-" is therefore always a shortened one, and a name that fits
// keeps its old form byte for byte.

inline constexpr char kShortenedMarker[] = "_H-";
inline constexpr char kPathFileExtension[] = ".path";

// How much of the encoded path a shortened name keeps at most, in bytes.
inline constexpr std::size_t kShortenedHead = 180;

// The most bytes a path file is read for: no path the system opens is as
// long (a backup leaves such folders out). A longer file is damaged.
inline constexpr std::size_t kLongestPathFile = 4096;

// FNV-1a, 64 bits, of the path's bytes: fixed, so that every build and
// every later run names a folder alike and repeat backups can take its
// archive over.
std::uint64_t PathHash(std::string_view path);

// The longest file name the run folder takes, at most kLongestFileName:
// tried once per run, in the run folder itself.
std::size_t LongestNameIn(const std::string& runFolder);

// The archive name of a folder (ending in one separator) in a run folder
// whose file names may be `longestName` bytes long: ArchiveName(folder)
// when it and its count file fit, else the shortened name, whose path file,
// the longest of its three names, fits.
std::string StoredArchiveName(const std::string& folder, std::size_t longestName);

// True for a shortened archive name: "<head>_H-<16 lowercase hex>.7z".
bool IsShortenedName(const std::string& archiveName);

// The head of the encoded path a shortened name keeps; empty for others.
std::string ShortenedHead(const std::string& archiveName);

// The hidden file beside a shortened archive that holds its folder's path.
std::string PathFileName(const std::string& archiveName);

// Writes the folder's path, its bytes alone, as the path file.
platform::Status WritePathFile(const std::string& path, const std::string& folder);

// What reading a shortened archive's path file gave: the folder's path, or
// why there is none, naming the file.
struct PathFileRead {
    std::optional<std::string> path;
    std::string problem;
};

// Reads the path file of the shortened archive `archiveName` in the run
// folder. The path is taken only when it is one a backup writes (a folder:
// ending in a separator, no "_P-", no NUL) and it is the path the name was
// made from: the name's head and hash agree with it.
PathFileRead ReadPathFile(const std::string& runFolder, const std::string& archiveName);
