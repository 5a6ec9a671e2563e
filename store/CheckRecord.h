#pragma once

#include "platform/FileIdentity.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The hidden record at the top of a backup target of what the checks of its
// archives found: one line per archive file tested, added as each test
// ends, so that a check that is stopped or killed loses at most the test it
// was running. A file is known by its path in the store together with its
// size and modification time, or by its file number with them: hard links
// of one archive in many runs are one file with one number, while on FAT and
// exFAT, which have no links and give new numbers on every mount, the path
// is what stays.
//
// One line an archive file: "check", then tab-separated fields (escaped as
// in the run journal): its path below the target, size, modification time
// (ns), device, file number, when it was checked (seconds since 1970, UTC),
// "good" or "damaged", and how long the test took (ms). A later line of the
// same path replaces an earlier one; lines that do not read are left out,
// and so is a last line without its line feed.

inline constexpr char kCheckRecord[] = ".checks";

// The record is read for this many bytes at most; a check rewrites it with
// one line per archive file once it grows past a few lines per file.
inline constexpr std::size_t kLongestCheckRecord = std::size_t{ 32 } << 20;
// A line longer than this is no line of ours (paths are far shorter).
inline constexpr std::size_t kLongestCheckLine = 16384;

struct CheckedFile {
    std::string path; // below the backup target: "<run folder name>/<archive name>"
    platform::FileIdentity identity;
    std::int64_t checked = 0; // seconds since 1970 (UTC)
    bool good = false;
    std::int64_t millis = 0; // how long the test took
};

class CheckRecord {
public:
    // Reads a record's bytes; never fails, whatever they are.
    static CheckRecord parse(std::string_view bytes);
    // The record of a backup target; empty when there is none or it is no plain file.
    static CheckRecord read(const std::string& backupTarget);

    // The latest check of the file at `path` (below the target) as it is
    // now: by its path, or by its file number, with the same size and
    // modification time either way. None when it was never checked as it is.
    const CheckedFile* lastCheckOf(const std::string& path, const platform::FileIdentity& identity) const;

    // Notes a check in memory (the latest of its path from now on).
    void add(const CheckedFile& file);

    // The latest check of every path, in no particular order.
    std::vector<CheckedFile> latest() const;
    // Lines read, and distinct paths among them.
    std::size_t linesRead() const { return m_lines; }
    std::size_t paths() const { return m_byPath.size(); }

private:
    std::map<std::string, CheckedFile> m_byPath;
    std::multimap<std::uint64_t, std::string> m_byInode; // file number -> paths
    std::size_t m_lines = 0;
};

// The path of the record of a backup target.
std::string CheckRecordPath(const std::string& backupTarget);

// One record line, with its line feed.
std::string CheckLine(const CheckedFile& file);

// Adds one line at the end of the record, making it when it is not there.
platform::Status AppendCheck(const std::string& backupTarget, const CheckedFile& file);

// Replaces the record at once with these files' lines.
platform::Status RewriteCheckRecord(const std::string& backupTarget, const std::vector<CheckedFile>& files);

// True when the archive file at `archivePath` (a full path in a run folder
// of the target) is, as it is now, the file the last check found damaged.
bool IsKnownDamaged(const std::string& backupTarget, const std::string& archivePath);
