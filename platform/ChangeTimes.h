#pragma once

#include <cstdint>
#include <string>

// Whether a folder can have changed since a moment, told by change times
// (ctime): the kernel sets them whenever an entry's bytes, name, links or
// attributes change, and no user tool can set them back, unlike the
// modification time that `touch -d` or an unpacked archive choose freely.
namespace platform {

// Nanoseconds since 1970 by the system's wall clock, the clock the file
// systems stamp change times with.
std::int64_t wallClockNanoseconds();

// How long a change time may lag the wall clock: file systems stamp times
// from a clock that is updated once per kernel tick, so a change just after
// a moment read from the wall clock may carry a time a little before it.
inline constexpr std::int64_t kChangeTimeLag = 50'000'000;

enum class FolderChange {
    None, // the folder and every entry in it changed last before the moment
    Changed, // something changed at or after it
    Unknown, // it cannot be told: the folder cannot be read, or its file
             // system keeps no change times to be trusted
};

// Whether the folder itself, or any entry directly in it other than its
// real subfolders (each is a folder of its own), changed at or after
// `moment` (less kChangeTimeLag). Only local file systems known to keep
// change times are trusted; on any other (FAT, network and FUSE file
// systems) the answer is Unknown.
FolderChange folderChangedSince(const std::string& folder, std::int64_t moment);

} // namespace platform
