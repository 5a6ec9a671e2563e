#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the archiver itself says about one extraction. Its report is the
// console output that the extraction line sends to output.txt, followed by
// the line the job adds with the archiver's exit status. A report is judged
// on its own, without the disk, so that any text, however damaged, gives a
// verdict and never more than one short line of it reaches the user.

// The line the extraction job appends to the report: this text, then the
// exit status in decimal digits.
inline constexpr char kExitStatusLine[] = "Exit status of 7z: ";

// The longest reason line handed on; the rest of a long line is cut.
inline constexpr std::size_t kLongestReason = 160;

struct ArchiverVerdict {
    bool complete = false; // every file of the archive was extracted whole
    std::string reason; // when not complete: the archiver's line that says why, one short line
    std::optional<int> exitStatus; // as reported by the job; none when the job never got to report it
    std::optional<int> filesReported; // the number of files the archiver said it extracted ("Files: N")
};

// Judges a report: complete only with exit status 0, "Everything is Ok" and
// no error line. A report without the exit status line comes from a job that
// was killed before the archiver returned.
ArchiverVerdict JudgeArchiverReport(std::string_view report);
