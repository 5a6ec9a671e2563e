#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the archiver itself says about one extraction. Its report is the
// console output that the extraction line sends to output.txt, followed by
// the line the job adds with the archiver's exit status. A report is judged
// on its own, without the disk, so that any text, however damaged, gives a
// verdict and never more than one short line of it reaches the user.

// The line the archiver's jobs append to the report: this text, then the
// exit status in decimal digits.
inline constexpr char kExitStatusLine[] = "Exit status of 7z: ";

// The longest reason line handed on; the rest of a long line is cut.
inline constexpr std::size_t kLongestReason = 160;

struct ArchiverVerdict {
    bool complete = false; // every file of the archive was extracted whole
    std::string reason; // when not complete: the archiver's line that says why, one short line
    std::optional<int> exitStatus; // as reported by the job; none when the job never got to report it
    // The number of files the archiver said it extracted: its "Files: N"
    // line, or 1 when it gave only the totals' "Size:" line, as it does for
    // an archive of one file.
    std::optional<int> filesReported;
    // The names the archiver listed as it extracted them ("- name" lines),
    // hidden ones included; a name's control characters as it prints them.
    std::vector<std::string> filesListed;
};

// Judges a report: complete only with exit status 0, "Everything is Ok", no
// error line and the number of files extracted. A report without the exit
// status line comes from a job that was killed before the archiver returned.
ArchiverVerdict JudgeArchiverReport(std::string_view report);

// What the archiver says about making one archive, from the compression
// job's report: the console output, then the same exit status line.
struct CompressionVerdict {
    // The archiver finished the archive: exit status 0, or 1 when it warned
    // of files it could not store as it had found them.
    bool made = false;
    std::optional<int> exitStatus; // none when the job never got to report it
    // The lines of the archiver's list of files it warned of, each the file's
    // name, " : " and why (the system's error number and text), as written.
    std::vector<std::string> fileWarnings;
};

CompressionVerdict JudgeCompressionReport(std::string_view report);

// True when the archive may hold other files than a count of the folder made
// just before: the archiver warned, and not only of files in `unreadable`
// (the files that count found this user cannot read) for want of permission.
// A warning that cannot be read as one of those counts as a change.
bool ArchiverMissedFiles(const CompressionVerdict& verdict, const std::vector<std::string>& unreadable);
