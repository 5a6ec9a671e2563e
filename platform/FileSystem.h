#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Files and folders. Paths are byte strings exactly as the kernel holds them.
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

// Creates one folder level (mode 0777 less the umask). Fails if it exists.
Status createFolder(const std::string& path);

// Creates one folder level readable only by the user (mode 0700), or accepts
// an existing folder.
Status createPrivateFolder(const std::string& path);

Status deleteFile(const std::string& path);

// Copies a file's bytes, replacing an existing destination file.
Status copyFile(const std::string& from, const std::string& to);

// Moves a file. Never replaces an existing destination: that fails, as a
// rename does on Windows. Works across file systems: the bytes go to a
// temporary name in the destination folder, are flushed, renamed into place,
// and only then is the source deleted; a failed copy leaves no partial file.
Status moveFile(const std::string& from, const std::string& to);

Result<std::string> readFile(const std::string& path);

// Who may read a file written by writeFile.
enum class FileAccess { Default, UserOnly };

// Creates or truncates the file and writes the bytes in one go.
Status writeFile(const std::string& path, const std::string& bytes,
                 FileAccess access = FileAccess::Default);

// Gives a file these bytes, like writeFile, reusing the file that is there
// when it is this user's own regular file with no other name: it is then
// written over in place, which spares the file system a new file and the
// removal of the old one. Anything else there (a link, a file of another
// user or with another name, a FIFO) is removed first, when it can be, and a
// new file made.
Status rewriteFile(const std::string& path, const std::string& bytes, FileAccess access = FileAccess::Default);

// Replaces the file with the bytes atomically: a temporary file in the same
// folder is written, flushed and renamed over the target, so a crash or a
// full disk never leaves a half-written file behind.
Status replaceFileAtomically(const std::string& path, const std::string& bytes);

// The absolute, canonical form of an existing path (symbolic links and ".."
// resolved); empty when the path does not exist.
std::string shortPath(const std::string& path);

// The canonical folder of the running executable.
std::string executableFolder();

// True when the current user may create files in the folder.
bool folderWritable(const std::string& folder);

// Creates a symbolic link at linkPath pointing at target, replacing an
// existing link.
Status createSymlink(const std::string& target, const std::string& linkPath);

// Succeeds only for a regular file, not a symbolic link, that belongs to the
// current user and that no one else may write: a file that is safe to run.
// The failure names the file and what is wrong with it.
Status checkOwnPrivateFile(const std::string& path);

// Whether a process of this user that works in `folder` (its current
// folder) has `file` open, looked up in /proc. When the folder is gone, any
// process of this user counts. Empty when it cannot be told here.
std::optional<bool> isFileOpenInFolder(const std::string& file, const std::string& folder);

// The first bytes of a file, at most maxBytes of them.
Result<std::string> readFileStart(const std::string& path, std::size_t maxBytes);

// The size in bytes of a file, following links.
Result<std::uint64_t> fileSize(const std::string& path);

} // namespace platform
