#include "store/ArchiverReport.h"

#include <array>
#include <unordered_set>
#include <vector>

namespace {

// The archiver's words for a file it could not extract whole, or for an
// archive it could not read: each one, anywhere in a line, fails the
// extraction even when the exit status says otherwise. The telling ones
// name the cause; the general ones only that there was one, so a line with
// a telling word is the reason given when there is one.
constexpr std::array<std::string_view, 7> kTellingWords = { "CRC Failed", "Cannot open", "Can't open",
    "Dangerous link", "Data Error", "Unexpected end", "No space left" };
constexpr std::array<std::string_view, 2> kGeneralWords = { "ERROR", "Error" };

// How the archiver lists a file as it extracts it (switch -bb1).
constexpr std::string_view kListedFile = "- ";

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (!line.empty())
            lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// One short line of plain text: control bytes become blanks, a long line is
// cut, so that no box or log line ever takes a whole damaged report.
std::string shortLine(std::string_view line)
{
    std::string out;
    for (char ch : line.substr(0, kLongestReason)) {
        auto c = static_cast<unsigned char>(ch);
        out += (c < 0x20 || c == 0x7F) ? ' ' : ch;
    }
    if (line.size() > kLongestReason)
        out += "...";
    return out;
}

// The small number after `prefix` at the start of a line, if that is what
// the line holds.
std::optional<int> numberAfter(std::string_view line, std::string_view prefix)
{
    if (!line.starts_with(prefix))
        return std::nullopt;
    line.remove_prefix(prefix.size());
    while (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);
    if (line.empty() || line.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : line) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

template <std::size_t N> bool holdsAny(std::string_view line, const std::array<std::string_view, N>& words)
{
    for (std::string_view word : words) {
        if (line.find(word) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string statusReason(int status)
{
    // The shell reports a program ended by a signal as 128 plus the signal.
    if (status > 128)
        return "The archiver was killed (signal " + std::to_string(status - 128) + ") before it finished.";
    return "The archiver ended with exit status " + std::to_string(status) + ".";
}

} // namespace

ArchiverVerdict JudgeArchiverReport(std::string_view report)
{
    ArchiverVerdict verdict;
    bool everythingOk = false;
    bool sizeTotal = false;
    std::string_view telling;
    std::string_view general;
    for (std::string_view line : linesOf(report)) {
        if (auto status = numberAfter(line, kExitStatusLine)) {
            verdict.exitStatus = status;
            continue;
        }
        if (auto files = numberAfter(line, "Files: "))
            verdict.filesReported = files;
        if (line.starts_with("Size: "))
            sizeTotal = true;
        if (line.starts_with(kListedFile)) {
            verdict.filesListed.emplace_back(line.substr(kListedFile.size()));
            continue;
        }
        if (line.find("Everything is Ok") != std::string_view::npos)
            everythingOk = true;
        else if (telling.empty() && holdsAny(line, kTellingWords))
            telling = line;
        else if (general.empty() && holdsAny(line, kGeneralWords))
            general = line;
    }
    // The archiver gives the totals after "Everything is Ok"; for a single
    // file it leaves out the "Files:" line and gives the size alone.
    if (!verdict.filesReported && sizeTotal)
        verdict.filesReported = 1;
    if (!telling.empty() || !general.empty())
        verdict.reason = shortLine(telling.empty() ? general : telling);
    else if (!verdict.exitStatus)
        verdict.reason = "The archiver did not finish: it was killed or could not be run.";
    else if (*verdict.exitStatus != 0)
        verdict.reason = statusReason(*verdict.exitStatus);
    else if (!everythingOk)
        verdict.reason = "The archiver did not report that everything is Ok.";
    else if (!verdict.filesReported)
        verdict.reason = "The archiver did not report how many files it extracted.";
    verdict.complete = verdict.reason.empty();
    return verdict;
}

namespace {

// The archiver lists the files it warned of at the end of its report, one
// line each, between a heading and a line of dashes: "WARNINGS for files:"
// for those it could not read, "Scan WARNINGS for files and folders:" for
// those it could not look at.
constexpr std::string_view kFileWarningsHeading = "WARNINGS for files";
constexpr std::string_view kFileWarningsEnd = "----------------";

bool isFileWarningsHeading(std::string_view line)
{
    return line.ends_with(':') && line.find(kFileWarningsHeading) != std::string_view::npos;
}

// The error a file that may not be read gives, by number and in words.
bool isPermissionDenied(std::string_view why)
{
    return why.find("errno=13 ") != std::string_view::npos
        || why.find("Permission denied") != std::string_view::npos;
}

// True when `line` is "<one of the names> : <permission denied>". A name may
// itself hold " : ", so every place where it could end is tried.
bool namesUnreadableFile(std::string_view line, const std::unordered_set<std::string_view>& unreadable)
{
    constexpr std::string_view kSeparator = " : ";
    for (std::size_t at = line.find(kSeparator); at != std::string_view::npos;
         at = line.find(kSeparator, at + 1)) {
        if (unreadable.contains(line.substr(0, at))
            && isPermissionDenied(line.substr(at + kSeparator.size())))
            return true;
    }
    return false;
}

} // namespace

CompressionVerdict JudgeCompressionReport(std::string_view report)
{
    CompressionVerdict verdict;
    bool inFileWarnings = false;
    for (std::string_view line : linesOf(report)) {
        if (auto status = numberAfter(line, kExitStatusLine)) {
            verdict.exitStatus = status;
            inFileWarnings = false;
        } else if (isFileWarningsHeading(line)) {
            inFileWarnings = true;
        } else if (line == kFileWarningsEnd) {
            inFileWarnings = false;
        } else if (inFileWarnings) {
            verdict.fileWarnings.emplace_back(line);
        }
    }
    // 1 is the archiver's status for warnings: the archive is written whole,
    // without the files it names. 2 and more are errors, above 128 a signal.
    const int status = verdict.exitStatus.value_or(-1);
    verdict.made = status == 0 || status == 1;
    return verdict;
}

bool ArchiverMissedFiles(const CompressionVerdict& verdict, const std::vector<std::string>& unreadable)
{
    if (verdict.exitStatus != 1)
        return false;
    // Warned without saying of which file: what the archive holds is unknown.
    if (verdict.fileWarnings.empty())
        return true;
    const std::unordered_set<std::string_view> known(unreadable.begin(), unreadable.end());
    for (const std::string& line : verdict.fileWarnings) {
        if (!namesUnreadableFile(line, known))
            return true;
    }
    return false;
}
