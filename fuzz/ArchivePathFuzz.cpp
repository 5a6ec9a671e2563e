// The hidden path file beside a shortened archive: a restore makes the
// folder it names, so a damaged or crafted file must never read as a path it
// does not spell, nor as the path of another archive. A path is taken only
// from a file no longer than any path, holding a folder path a backup writes
// (ending in a separator, no NUL, no "_P-") whose head and hash agree with
// the archive's name, and then exactly as it is. Whatever the bytes, the
// name a folder gets fits a file name, and its path file reads back as the
// folder.

#include "fuzz/FuzzSupport.h"
#include "pathutil/PathEncoding.h"
#include "store/ArchiveNames.h"
#include "store/StoreLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>

using fuzzsupport::visible;

namespace {

// Whether a backup would write the bytes as a path file, apart from the name.
bool writable(const std::string& bytes)
{
    return !bytes.empty() && bytes.size() <= kLongestPathFile && bytes.back() == '/'
        && bytes.find('\0') == std::string::npos && bytes.find(kEncodedEscape) == std::string::npos;
}

// `refused`: the reader must not take the path under this name.
void checkRead(const std::string& bytes, const std::string& name, bool refused)
{
    fuzzsupport::writeScratchFile(PathFileName(name), bytes);
    const PathFileRead read = ReadPathFile(fuzzsupport::scratchFolder(), name);
    FUZZ_CHECK(read.path.has_value() == read.problem.empty(), visible(bytes) + ": " + read.problem);
    if (!read.path) {
        FUZZ_CHECK(
            refused || !writable(bytes), visible(bytes) + " not read under its own name: " + read.problem);
        FUZZ_CHECK(read.problem.find(PathFileName(name)) != std::string::npos, read.problem);
        return;
    }
    FUZZ_CHECK(!refused, visible(bytes) + " read under " + name);
    FUZZ_CHECK(*read.path == bytes, visible(bytes) + " read as " + visible(*read.path));
    FUZZ_CHECK(writable(bytes), visible(bytes) + " read though no backup writes it");
    FUZZ_CHECK(name.ends_with(StoredArchiveName(bytes, 255).substr(ShortenedHead(name).size())),
        visible(bytes) + " read under a name of another hash: " + name);
    FUZZ_CHECK(EncodePath(bytes).starts_with(ShortenedHead(name)), visible(bytes) + " read under " + name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The name the bytes get as a folder path always fits the file system.
    for (std::size_t longest : { std::size_t{ 255 }, std::size_t{ 143 } }) {
        const std::string name = StoredArchiveName(bytes, longest);
        const bool shortened = IsShortenedName(name);
        FUZZ_CHECK(shortened == (CountFileName(ArchiveName(bytes)).size() > longest),
            visible(bytes) + " named " + visible(name));
        FUZZ_CHECK((shortened ? PathFileName(name) : CountFileName(name)).size() <= longest, visible(name));
        if (shortened && bytes.starts_with('/') && bytes.find(kEncodedEscape) == std::string::npos)
            FUZZ_CHECK(bytes.starts_with(DecodePath(ShortenedHead(name))), visible(bytes) + " named " + name);
    }

    // Read under its own name, under a name of another folder, and under a
    // name with the same head and another hash.
    const std::string own = StoredArchiveName(bytes, 255);
    if (IsShortenedName(own) && bytes.find(kEncodedEscape) == std::string::npos) {
        checkRead(bytes, own, false);
        std::string otherHash = own;
        const std::size_t digit = ShortenedHead(own).size() + 3;
        otherHash[digit] = otherHash[digit] == '0' ? '1' : '0';
        checkRead(bytes, otherHash, true);
    }
    const std::string fixed = StoredArchiveName("/home/ann/" + std::string(300, 'd') + "/", 255);
    checkRead(bytes, fixed, bytes != "/home/ann/" + std::string(300, 'd') + "/");
    return 0;
}
