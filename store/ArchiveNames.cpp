#include "store/ArchiveNames.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/StoreLayout.h"

#include <algorithm>

namespace {

constexpr std::size_t kHashDigits = 16;

// The marker, the hash and the extension that follow the head.
constexpr std::size_t kTailLength = sizeof kShortenedMarker - 1 + kHashDigits + sizeof kArchiveExtension - 1;

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

std::string hexOf(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(kHashDigits, '0');
    for (std::size_t i = kHashDigits; i-- > 0; value >>= 4)
        text[i] = digits[value & 0xF];
    return text;
}

bool isEscapeAt(const std::string& encoded, std::size_t at)
{
    return encoded.compare(at, sizeof kEncodedEscape - 1, kEncodedEscape) == 0;
}

// An escape of a byte that continues a UTF-8 letter (0x80 to 0xBF): cutting
// before it would leave half a letter at the head's end.
bool isContinuationAt(const std::string& encoded, std::size_t at)
{
    const std::size_t digit = at + sizeof kEncodedEscape - 1;
    return isEscapeAt(encoded, at) && digit < encoded.size()
        && std::string_view("89AB").find(encoded[digit]) != std::string_view::npos;
}

// The longest start of the encoded path, at most `longest` bytes, that
// cuts neither an escape nor a letter in half.
std::string headOf(const std::string& encoded, std::size_t longest)
{
    std::size_t cut = 0;
    std::size_t at = 0;
    while (at < encoded.size()) {
        const std::size_t unit
            = isEscapeAt(encoded, at) ? sizeof kEncodedEscape - 1 + 2 : 1; // an escape and its two digits
        if (at + unit > longest)
            break;
        at += unit;
        if (!isContinuationAt(encoded, at))
            cut = at;
    }
    return encoded.substr(0, cut);
}

PathFileRead problem(std::string text)
{
    return PathFileRead{ std::nullopt, std::move(text) };
}

} // namespace

std::uint64_t PathHash(std::string_view path)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::size_t LongestNameIn(const std::string& runFolder)
{
    return platform::longestNameTaken(runFolder, kLongestFileName);
}

std::string StoredArchiveName(const std::string& folder, std::size_t longestName)
{
    std::string name = ArchiveName(folder);
    if (CountFileName(name).size() <= longestName)
        return name;
    // The path file's name is the longest of the three: "." + name + ".path".
    const std::size_t room = longestName > kTailLength + 6 ? longestName - kTailLength - 6 : 0;
    return headOf(EncodePath(folder), std::min(room, kShortenedHead)) + kShortenedMarker
        + hexOf(PathHash(folder)) + kArchiveExtension;
}

bool IsShortenedName(const std::string& archiveName)
{
    if (archiveName.size() < kTailLength || !IsArchiveName(archiveName))
        return false;
    const std::size_t marker = archiveName.size() - kTailLength;
    if (archiveName.compare(marker, sizeof kShortenedMarker - 1, kShortenedMarker) != 0)
        return false;
    const std::size_t digits = marker + sizeof kShortenedMarker - 1;
    for (std::size_t i = digits; i < digits + kHashDigits; ++i) {
        if (!isLowerHex(archiveName[i]))
            return false;
    }
    return true;
}

std::string ShortenedHead(const std::string& archiveName)
{
    return IsShortenedName(archiveName) ? archiveName.substr(0, archiveName.size() - kTailLength)
                                        : std::string();
}

std::string PathFileName(const std::string& archiveName)
{
    return "." + archiveName + kPathFileExtension;
}

platform::Status WritePathFile(const std::string& path, const std::string& folder)
{
    return platform::writeFile(path, folder);
}

PathFileRead ReadPathFile(const std::string& runFolder, const std::string& archiveName)
{
    const std::string path = AddBackslash(runFolder) + PathFileName(archiveName);
    if (!platform::isRegularFileItself(path)) {
        if (!platform::attributes(path))
            return problem(
                "The path file " + path + " of the shortened archive is missing: its folder is not known.");
        return problem("The path file " + path + " is not a plain file.");
    }
    auto bytes = platform::readFileStart(path, kLongestPathFile + 1);
    if (!bytes)
        return problem("The path file " + path + " cannot be read: " + bytes.error());
    if (bytes->size() > kLongestPathFile)
        return problem("The path file " + path + " is damaged: it is longer than any path.");
    const std::string& folder = *bytes;
    // Only a folder path a backup writes, and the one this name was made of:
    // a damaged or swapped file is never taken for another folder.
    if (folder.empty() || folder.back() != '/' || folder.find('\0') != std::string::npos
        || folder.find(kEncodedEscape) != std::string::npos || !IsShortenedName(archiveName)
        || !EncodePath(folder).starts_with(ShortenedHead(archiveName))
        || !archiveName.ends_with(hexOf(PathHash(folder)) + kArchiveExtension))
        return problem(
            "The path file " + path + " is damaged: it does not hold the folder the archive is named for.");
    return PathFileRead{ folder, {} };
}
