#include "store/Archiver.h"

#include "store/ArchiverReport.h"
#include "store/JobFiles.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/Launcher.h"

#include <cstdint>
#include <vector>

namespace {

// Inside double quotes the shell still expands '$' and '`' and gives '\' and
// '"' their meaning; escaping exactly these four keeps any folder or archive
// name a plain word, so a crafted name can never run a command.
std::string escapeInDoubleQuotes(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '$' || c == '`' || c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

std::uint32_t crc32(const unsigned char* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint64_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// The redirections of a slot's job: the report and the archiver's errors
// (-bse1) into the slot's report, its progress (-bsp2, on the error stream)
// into the slot's progress file, then the exit status line.
std::string slotRedirections(const SlotLine& slot)
{
    const std::string output = "\"" + escapeInDoubleQuotes(slot.outputFile) + "\"";
    return " > " + output + " 2> \"" + escapeInDoubleQuotes(slot.progressFile) + "\"; echo \""
        + kExitStatusLine + "$?\" >> " + output;
}

std::string slotSwitches(const SlotLine& slot)
{
    std::string switches;
    if (slot.threads > 0)
        switches += " -mmt" + std::to_string(slot.threads);
    return switches + " -bse1 -bsp2";
}

std::string compressionStart(const std::string& appFolder, const std::string& leaveOutList)
{
    std::string line = platform::shellQuoteIfNeeded(AddBackslash(appFolder) + "7z") + " a";
    // No switch holds a character the shell would read; the archive name
    // comes last, after the switches.
    for (const std::string& contentSwitch : CompressionContentSwitches())
        line += " " + contentSwitch;
    // "w-": a name in the list is only ever itself; with wildcards "st*r"
    // would leave "stXr" out as well.
    if (!leaveOutList.empty())
        line += " \"-xw-@" + escapeInDoubleQuotes(leaveOutList) + "\"";
    return line;
}

// "-iw-": the names in the list are names, not wildcards.
std::string onlyNamesIn(const std::string& nameList)
{
    return nameList.empty() ? "" : " \"-iw-@" + escapeInDoubleQuotes(nameList) + "\"";
}

} // namespace

const std::vector<std::string>& CompressionContentSwitches()
{
    // "-t7z": a plain 7z archive, with the archiver's own default method.
    // "-snl" stores symbolic links as links: 7z would otherwise store a copy
    // of a linked file and drop links to folders and dangling links, while
    // the folder's count, and the restore, take every link as one entry.
    // "-i!*" takes every entry of the working folder, hidden ones too;
    // "-x!*/" keeps the subfolders out: each of them gets its own archive,
    // and 7z would otherwise store their whole trees in this one as well.
    static const std::vector<std::string> switches{ "-t7z", "-snl", "-i!*", "-x!*/" };
    return switches;
}

std::string CompressCommandLine(
    const std::string& appFolder, const std::string& archivePath, const std::string& leaveOutList)
{
    // The archive is made where it is stored, named by its full path, while
    // the working folder stays the folder compressed: the user's folder is
    // only ever read, so a folder the user may not write backs up too, and no
    // file of the user's can be taken for the archive or lost with it.
    // The archiver's report and exit status go to output.txt, as for an
    // extraction: a file that vanished or could not be opened between its
    // scan and its reading is only a warning to the archiver, and the archive
    // then holds fewer files than the folder was counted with. The archiver
    // dies with its job shell (the launcher's guard), so no archiver of a
    // killed program writes on into its run folder.
    const std::string output = "\"" + escapeInDoubleQuotes(AddBackslash(appFolder) + kOutputFile) + "\"";
    return compressionStart(appFolder, leaveOutList) + " \"" + escapeInDoubleQuotes(archivePath) + "\" > "
        + output + " 2>&1; echo \"" + kExitStatusLine + "$?\" >> " + output;
}

std::string CompressCommandLine(const std::string& appFolder, const std::string& archivePath,
    const SlotLine& slot, const std::string& leaveOutList)
{
    // Several archivers share the processors: each gets its thread count.
    return compressionStart(appFolder, leaveOutList) + slotSwitches(slot) + " \""
        + escapeInDoubleQuotes(archivePath) + "\"" + slotRedirections(slot);
}

std::string ExtractCommandLine(const std::string& appFolder, const std::string& archiveName,
    const SlotLine& slot, const std::string& nameList)
{
    const std::string name = archiveName.starts_with('-') ? "./" + archiveName : archiveName;
    SlotLine extraction = slot;
    extraction.threads = 0; // an extraction reads one stream at a time anyway
    return platform::shellQuoteIfNeeded(AddBackslash(appFolder) + "7z") + " e -y -snld20 -bb1"
        + slotSwitches(extraction) + onlyNamesIn(nameList) + " \"" + escapeInDoubleQuotes(name) + "\""
        + slotRedirections(slot);
}

std::string ExtractCommandLine(
    const std::string& appFolder, const std::string& archiveName, const std::string& nameList)
{
    std::string folder = ShortPath(appFolder);
    const std::string a2
        = escapeInDoubleQuotes(folder.empty() ? AddBackslash(appFolder) : AddBackslash(folder));
    // A name beginning with '-' would be read as a switch; stored archive
    // names never do, but the run folder may hold anything.
    const std::string name = archiveName.starts_with('-') ? "./" + archiveName : archiveName;
    // The archiver writes its errors (a damaged archive, a disk that is full)
    // to the error stream: they go into output.txt too, where the user who
    // asks to read the output after a failed restore looks for them.
    // The exit status follows the report, so that the restore judges the
    // extraction by the archiver's own word as well as by the files; a job
    // killed before the archiver returned leaves the line out. "-bb1" lists
    // each file as it is extracted: the restore counts what the archiver
    // itself brought back, and tells files already in the folder from them.
    const std::string output = "\"" + a2 + kOutputFile + "\"";
    return "\"" + a2 + "7z\" e -y -snld20 -bb1" + onlyNamesIn(nameList) + " \"" + escapeInDoubleQuotes(name)
        + "\" > " + output + " 2>&1; echo \"" + kExitStatusLine + "$?\" >> " + output;
}

bool IsCompleteArchive(const std::string& path)
{
    // The start header: 6 bytes of signature, 2 of version, the checksum of
    // the next 20 bytes, then the offset and size of the closing header (which
    // follows the 32 bytes of the start header) and that header's checksum.
    constexpr std::size_t kStartHeader = 32;
    static const unsigned char kSignature[6] = { '7', 'z', 0xBC, 0xAF, 0x27, 0x1C };
    auto start = platform::readFileStart(path, kStartHeader);
    auto size = platform::fileSize(path);
    if (!start || !size || start->size() != kStartHeader || *size < kStartHeader)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(start->data());
    for (std::size_t i = 0; i < sizeof kSignature; ++i) {
        if (bytes[i] != kSignature[i])
            return false;
    }
    if (crc32(bytes + 12, 20) != littleEndian(bytes + 8, 4))
        return false;
    const std::uint64_t offset = littleEndian(bytes + 12, 8);
    const std::uint64_t length = littleEndian(bytes + 20, 8);
    const std::uint64_t rest = *size - kStartHeader;
    return offset <= rest && length <= rest - offset && offset + length == rest;
}

std::string ListCommandLine(const std::string& appFolder, const std::string& archivePath)
{
    return ListCommandLine(appFolder, archivePath, AddBackslash(appFolder) + kOutputFile);
}

std::string ListCommandLine(
    const std::string& appFolder, const std::string& archivePath, const std::string& outputFile)
{
    const std::string output = escapeInDoubleQuotes(outputFile);
    return platform::shellQuoteIfNeeded(AddBackslash(appFolder) + "7z") + " l -ba -slt \""
        + escapeInDoubleQuotes(archivePath) + "\" > \"" + output + "\" 2>&1";
}

std::string TestCommandLine(const std::string& appFolder, const std::string& archivePath)
{
    const std::string output = "\"" + escapeInDoubleQuotes(AddBackslash(appFolder) + kOutputFile) + "\"";
    return platform::shellQuoteIfNeeded(AddBackslash(appFolder) + "7z") + " t \""
        + escapeInDoubleQuotes(archivePath) + "\" > " + output + " 2>&1; echo \"" + kExitStatusLine
        + "$?\" >> " + output;
}
