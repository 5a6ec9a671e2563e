#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// Names and bytes of the backup store: one run folder per backup run under
// the backup target, and in it one archive and one count file per folder.

// An archive's name is the encoded folder path and this extension; its
// count file's name is the archive's name and kCountExtension.
inline constexpr char kArchiveExtension[] = ".7z";
inline constexpr char kCountExtension[] = ".dat";

// The longest file name the file systems we write to accept; a run folder
// may take less (ArchiveNames.h shortens the names that do not fit).
inline constexpr std::size_t kLongestFileName = 255;

// The date text of a run started at `when` (regional date and long time; the
// date alone exactly at midnight).
std::string DateText(const std::tm& when);

// The date text of a run starting now, by the program's clock.
std::string DateTextNow();

// The run folder's full path, without trailing separator: the backup target
// with one separator, then the encoded date text.
std::string RunFolderPath(const std::string& backupTarget, const std::string& dateText);

// "<encoded folder path>.7z" for a folder path ending in one separator.
std::string ArchiveName(const std::string& folder);

// True when a file name ends in the archive extension (letter case counts).
bool IsArchiveName(const std::string& name);

// The count file that belongs beside an archive: the archive's name + ".dat".
std::string CountFileName(const std::string& archiveName);

// Writes the count as decimal digits only: no sign, no line end.
platform::Status WriteCountFile(const std::string& path, std::int32_t count);

// The most bytes a count file is read for: ten digits with room for a sign,
// blanks and a line break. A longer file is damaged.
inline constexpr std::size_t kLongestCountFile = 32;

// What reading a count file gave: the count, or why there is none. A missing,
// empty or non-numeric file is never read as 0.
struct CountFileRead {
    std::optional<std::int32_t> count;
    std::string problem; // set when count is empty: what was wrong, naming the file
};
CountFileRead ReadCountFile(const std::string& path);
