// The exclusion patterns a user types, or a settings file edited by hand
// holds, and the names the walk matches them against. Any line must either
// become a pattern or be refused with its own text; matching must end, and
// only ever name a line that was given. A name written with every character
// escaped leaves out that name and nothing else; a folders-only pattern
// never leaves out a file.

#include "exclude/ExcludePatterns.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using fuzzsupport::visible;

namespace {

std::vector<std::string> split(const std::string& text, char at)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::string everyCharacterEscaped(const std::string& name)
{
    std::string pattern;
    for (char c : name) {
        pattern += '\\';
        pattern += c;
    }
    return pattern;
}

} // namespace

// The input: pattern lines separated by line feeds, a NUL, then a path below
// the source folder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = bytes.find('\0');
    const std::vector<std::string> lines = split(bytes.substr(0, nul), '\n');
    std::string relative = nul == std::string::npos ? std::string("a/b") : bytes.substr(nul + 1);
    relative.erase(std::remove(relative.begin(), relative.end(), '\0'), relative.end());
    const std::string name = relative.substr(
        relative.find_last_of('/') == std::string::npos ? 0 : relative.find_last_of('/') + 1);
    const std::string real = "/src/" + relative;
    const std::string typed = "/typed/" + relative;
    const ExcludePlace place{ name, relative, real, typed };

    const ExcludePatterns patterns(lines);
    FUZZ_CHECK(patterns.refusals().size() <= lines.size(), visible(bytes));
    for (const std::string& refusal : patterns.refusals()) {
        const bool ownLine = std::any_of(lines.begin(), lines.end(), [&refusal](const std::string& line) {
            return refusal.starts_with("Exclusion pattern not used, ") && refusal.ends_with(": " + line);
        });
        FUZZ_CHECK(ownLine, visible(refusal) + " quotes no line of " + visible(bytes));
    }
    for (bool folder : { false, true }) {
        const std::string matched = patterns.leavingOut(place, folder);
        FUZZ_CHECK(matched.empty() || std::find(lines.begin(), lines.end(), matched) != lines.end(),
            visible(matched) + " is no line of " + visible(bytes));
    }

    // A name that a line can hold, escaped throughout, is that name alone.
    if (!name.empty() && name.find_first_of("\r\n") == std::string::npos) {
        const ExcludePatterns exact(std::vector<std::string>{ everyCharacterEscaped(name) });
        FUZZ_CHECK(exact.refusals().empty(), visible(name));
        FUZZ_CHECK(!exact.leavingOut(place, false).empty(), visible(name) + " escaped does not match itself");
        const std::string longer = name + "x";
        FUZZ_CHECK(exact.leavingOut({ longer, longer, "/src/" + longer, "/typed/" + longer }, false).empty(),
            visible(name) + " escaped matches more");
    }
    // A trailing '/' keeps every line to folders.
    std::vector<std::string> foldersOnly;
    for (const std::string& line : lines) {
        if (!line.empty() && line.back() != '\\' && line.find_first_of("\r\n") == std::string::npos)
            foldersOnly.push_back(line + "/");
    }
    FUZZ_CHECK(ExcludePatterns(foldersOnly).leavingOut(place, false).empty(), visible(bytes));
    return 0;
}
