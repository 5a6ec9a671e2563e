#include "store/StoreLayout.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <limits>

namespace {

bool isBlank(char c)
{
    // A count file edited by hand may end in a line break; treat it like a space.
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// What a damaged count file holds, as one short line of plain text.
std::string shown(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        out += (c < 0x20 || c >= 0x7F) ? '?' : ch;
    }
    return out;
}

CountFileRead problem(std::string text)
{
    return CountFileRead{ std::nullopt, std::move(text) };
}

} // namespace

std::string DateText(const std::tm& when)
{
    return platform::formatDateText(when);
}

std::string DateTextNow()
{
    return DateText(platform::clock().localNow());
}

std::string RunFolderPath(const std::string& backupTarget, const std::string& dateText)
{
    return AddBackslash(backupTarget) + EncodePath(dateText);
}

std::string ArchiveName(const std::string& folder)
{
    return EncodePath(folder) + kArchiveExtension;
}

bool IsArchiveName(const std::string& name)
{
    return name.ends_with(kArchiveExtension);
}

std::string CountFileName(const std::string& archiveName)
{
    return archiveName + kCountExtension;
}

platform::Status WriteCountFile(const std::string& path, std::int32_t count)
{
    // The reader takes the digits as they are; a sign would never be written
    // for a number of files, so a negative count is a caller's mistake.
    if (count < 0)
        return platform::Status::failure(
            "Cannot write the count file " + path + ": the count " + std::to_string(count) + " is negative");
    return platform::writeFile(path, std::to_string(count));
}

CountFileRead ReadCountFile(const std::string& path)
{
    // Ten digits and a line break or a few blanks: a file longer than this
    // is damaged, and is not read any further, however large it is.
    auto bytes = platform::readFileStart(path, kLongestCountFile + 1);
    if (!bytes) {
        if (!platform::fileExists(path))
            return problem("The count file " + path + " is missing.");
        return problem("The count file " + path + " cannot be read: " + bytes.error());
    }
    if (bytes->size() > kLongestCountFile)
        return problem("The count file " + path + " is damaged: it is longer than any count.");
    const std::string text = trimmed(*bytes);
    if (text.empty())
        return problem("The count file " + path + " is empty.");

    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        ++i;
    }
    if (i == text.size())
        return problem("The count file " + path + " does not hold a number: \"" + shown(text) + "\"");
    // Accumulate as a negative value so that the full signed range fits.
    const std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    bool outOfRange = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return problem("The count file " + path + " does not hold a number: \"" + shown(text) + "\"");
        if (!outOfRange) {
            value = value * 10 - (c - '0');
            outOfRange = value < lowest;
        }
    }
    if (!negative)
        value = -value;
    if (outOfRange || value < lowest || value > highest)
        return problem("The count file " + path + " holds a number out of range: " + shown(text));
    return CountFileRead{ static_cast<std::int32_t>(value), {} };
}
