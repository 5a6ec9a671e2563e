#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Making, reading, writing, moving and removing files and folders. Paths are
// byte strings exactly as the kernel holds them.
namespace platform {

// Creates one folder level (mode 0777 less the umask). Fails if it exists.
Status createFolder(const std::string& path);

// Creates one folder level readable only by the user (mode 0700), or accepts
// an existing folder.
Status createPrivateFolder(const std::string& path);

Status deleteFile(const std::string& path);

// Gives a file another name on the same file system, replacing whatever file
// has that name: one rename, which neither frees nor copies anything.
Status renameFile(const std::string& from, const std::string& to);

// Copies a file's bytes, replacing an existing destination file.
Status copyFile(const std::string& from, const std::string& to);

// Moves a file. Never replaces an existing destination: that fails, as a
// rename does on Windows. Works across file systems: the bytes go to a
// temporary name in the destination folder, are flushed, renamed into place,
// and only then is the source deleted; a failed copy leaves no partial file.
Status moveFile(const std::string& from, const std::string& to);

Result<std::string> readFile(const std::string& path);

// The first bytes of a file, at most maxBytes of them.
Result<std::string> readFileStart(const std::string& path, std::size_t maxBytes);

// The size in bytes of a file, following links.
Result<std::uint64_t> fileSize(const std::string& path);

// Who may read a file written by writeFile.
enum class FileAccess { Default, UserOnly };

// Creates or truncates the file and writes the bytes in one go.
Status writeFile(const std::string& path, const std::string& bytes, FileAccess access = FileAccess::Default);

// Adds the bytes at the end of the file, making it when it is not there.
// Never follows a link at the path.
Status appendFile(const std::string& path, const std::string& bytes);

// Gives a file these bytes, like writeFile, reusing the file that is there
// when it is this user's own regular file with no other name: it is then
// written over in place, which spares the file system a new file and the
// removal of the old one. Anything else there (a link, a file of another
// user or with another name, a FIFO) is removed first, when it can be, and a
// new file made.
Status rewriteFile(
    const std::string& path, const std::string& bytes, FileAccess access = FileAccess::Default);

// Replaces the file with the bytes atomically: a temporary file in the same
// folder is written, flushed and renamed over the target, so a crash or a
// full disk never leaves a half-written file behind.
Status replaceFileAtomically(const std::string& path, const std::string& bytes);

// True when the current user may create files in the folder.
bool folderWritable(const std::string& folder);

// Creates a symbolic link at linkPath pointing at target, replacing an
// existing link.
Status createSymlink(const std::string& target, const std::string& linkPath);

// Succeeds only for a regular file, not a symbolic link, that belongs to the
// current user and that no one else may write: a file that is safe to run.
// The failure names the file and what is wrong with it.
Status checkOwnPrivateFile(const std::string& path);

// How shareFile gave the destination the source's bytes.
enum class Sharing { HardLink, Clone, Copy };

// Gives `to`, which must not exist, the bytes of the regular file `from`:
// as a second name of the same file where the file system allows it, else as
// a clone sharing its blocks, else as a plain copy. A copy that fails leaves
// nothing behind.
Result<Sharing> shareFile(const std::string& from, const std::string& to);

// True when the path itself (not a link's target) is a regular file.
bool isRegularFileItself(const std::string& path);

} // namespace platform
