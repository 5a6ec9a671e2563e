#pragma once

#include "platform/Result.h"

#include <functional>
#include <string>

// Bringing what a run wrote onto the disk itself, so that a run marked
// complete is complete after a power cut too.
namespace platform {

// Writes every file of the file system that holds `path` to the disk
// (syncfs): one call that flushes all of a run's files at once, so that the
// calls for each file that follow find little left to do.
Status syncFileSystem(const std::string& path);

// Whether a successful syncFileSystem also says that nothing written to that
// file system since the run began was lost: Linux reports write-back errors
// through syncfs from 5.8 on, before that it always succeeded. Where it
// does, a run needs no call of its own for each file after it.
bool syncFileSystemReportsErrors();

// Writes the file's data and its own entry to the disk (fsync). A symbolic
// link is not followed: the run's files are plain files.
Status syncFile(const std::string& path);

// Writes the folder's entries (the names made, linked or removed in it) to
// the disk. A file system that cannot sync a folder has nothing to write.
Status syncFolder(const std::string& path);

// Called with the step ("syncfs", "fsync file", "fsync folder") and the path
// before each of the calls above does its work, so that the order of the
// steps can be followed; none while empty.
using DurabilityObserver = std::function<void(const std::string& step, const std::string& path)>;

// Puts `observer` in place of the one before, which it returns.
DurabilityObserver setDurabilityObserver(DurabilityObserver observer);

} // namespace platform
