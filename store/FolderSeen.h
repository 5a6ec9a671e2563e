#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a backup run saw of one folder it holds, in a look taken before its
// archiver started (a look taken afterwards could describe files the archive
// does not hold): the folder's file system and inode, and every entry
// directly in it but its subfolders, which have their own. A later run
// takes the folder's archive over only when it sees exactly the same.

struct SeenEntry {
    std::string name;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::uint32_t mode = 0;
    std::int64_t modified = 0; // mtime, nanoseconds since 1970
    std::int64_t changed = 0; // ctime, nanoseconds since 1970

    bool operator==(const SeenEntry&) const = default;
};

struct FolderSeen {
    std::string archive; // the folder's archive name in the run folder
    std::string path; // the folder's real path, ending in one separator
    std::uint64_t fileSystem = 0;
    std::uint64_t inode = 0;
    // An entry changed too shortly before the look for its change time to
    // tell a later change in the same tick of the file system's clock: the
    // next run compresses the folder again whatever it sees.
    bool tooRecent = false;
    std::vector<SeenEntry> entries; // in byte order of names
};

// How close before the look a change time makes the look "too recent": file
// systems that keep whole seconds stamp every change of one second alike.
inline constexpr std::int64_t kSameTickMargin = 2'000'000'000;

// The journal tag of a look, and its fields without the tag.
inline constexpr char kSeenTag[] = "seen";
std::vector<std::string> SeenFields(const FolderSeen& seen);

// A look from its fields (the tag left out); none when any field does not
// read as one we write.
std::optional<FolderSeen> ParseSeenFields(const std::vector<std::string>& fields);

// True when `now` shows the folder just as `before` did, and `before` was
// not too recent to tell.
bool SeenTheSame(const FolderSeen& before, const FolderSeen& now);
