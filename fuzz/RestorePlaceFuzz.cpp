// Where a restore puts an archive's files: the archive's name comes from a
// store that may be damaged or crafted, the restore target from settings the
// user may edit. Whatever PlanExtraction accepts must lie lexically below
// the restore target: the collapsed folder begins with the collapsed target
// and a separator, and no level below it is "." or ".." or holds a NUL, CR or
// LF. The last byte of the input picks the target: one from the input's
// first bytes, or a folder of this process holding real folders, a file, a
// link that leads outside and a dangling link. Against that folder,
// LinkedLevelBelow must name the first level that is there and is not a real
// folder, as lstat sees it.

#include "fuzz/FuzzSupport.h"
#include "platform/FileOps.h"
#include "restore/RestoreSteps.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

using fuzzsupport::visible;

namespace {

std::string collapsed(const std::string& path)
{
    std::string out;
    for (char c : path)
        if (c != '/' || out.empty() || out.back() != '/')
            out += c;
    return out;
}

std::vector<std::string> levelsOf(const std::string& path)
{
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            levels.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

const std::string& treeTarget()
{
    static const std::string target = [] {
        const std::string top = fuzzsupport::scratchFolder();
        const std::string t = top + "/target";
        bool made = platform::createFolder(t).ok() && platform::createFolder(t + "/a").ok()
            && platform::createFolder(t + "/a/b").ok() && platform::createFolder(top + "/outside").ok()
            && platform::createSymlink(top + "/outside", t + "/a/link").ok()
            && platform::createSymlink(top + "/nowhere", t + "/dangling").ok();
        fuzzsupport::writeScratchFile("target/a/file", "x");
        if (!made)
            fuzzsupport::fail("cannot lay out the restore target in " + top);
        return t;
    }();
    return target;
}

// The path of the first level below the target that exists and is no real folder.
std::optional<std::string> expectedLinkedLevel(const std::string& base, const std::string& rest)
{
    std::string path = base;
    for (const std::string& level : levelsOf(rest)) {
        path += level;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return std::nullopt;
        if (!S_ISDIR(st.st_mode))
            return path;
        path += '/';
    }
    return std::nullopt;
}

void checkAccepted(
    const std::string& target, const std::string& archive, const ExtractionPlace& place, bool tree)
{
    const std::string what
        = visible(target) + " + " + visible(archive) + " -> " + visible(place.restoreFolder);
    FUZZ_CHECK(archive.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.")
            == std::string::npos,
        what);
    const std::string base = collapsed(target + "/");
    const std::string folder = collapsed(place.restoreFolder);
    FUZZ_CHECK(folder.starts_with(base), what);
    const std::string rest = folder.substr(base.size());
    FUZZ_CHECK(rest.empty() || rest.back() == '/', what);
    FUZZ_CHECK(rest.find_first_of(std::string("\0\r\n", 3)) == std::string::npos, what);
    for (const std::string& level : levelsOf(rest))
        FUZZ_CHECK(level != "." && level != "..", what);
    if (tree)
        FUZZ_CHECK(LinkedLevelBelow(target, place.restoreFolder) == expectedLinkedLevel(base, rest), what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool tree = input.ConsumeBool();
    std::string target;
    if (tree)
        target = treeTarget() + (input.ConsumeBool() ? "/" : "");
    else
        target = input.ConsumeRandomLengthString(64);
    const std::string archive = input.ConsumeRemainingBytesAsString();

    const ExtractionPlace place = PlanExtraction(target, archive);
    if (place.refusal.empty())
        checkAccepted(target, archive, place, tree);
    return 0;
}
