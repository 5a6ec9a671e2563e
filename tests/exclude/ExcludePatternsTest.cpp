// The exclusion patterns as a user writes them, matched against the places
// the walk hands them: a name, its path below the source, its real path and
// its path as typed.
#include "exclude/ExcludePatterns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An entry below the source "/data" (typed as "/home/me/data", a link to it).
struct Entry {
    std::string relative;
    bool folder = false;
};

std::string leaving(const std::vector<std::string>& lines, const Entry& entry)
{
    const ExcludePatterns patterns(lines);
    const std::string& rel = entry.relative;
    const std::string name
        = rel.substr(rel.find_last_of('/') == std::string::npos ? 0 : rel.find_last_of('/') + 1);
    const std::string real = "/data/" + rel;
    const std::string typed = "/home/me/data/" + rel;
    return patterns.leavingOut({ name, rel, real, typed }, entry.folder);
}

bool leftOut(const std::string& pattern, const Entry& entry)
{
    return !leaving({ pattern }, entry).empty();
}

struct Case {
    const char* pattern;
    Entry entry;
    bool out;
};

TEST(ExcludePatterns, EachFormMatchesWhatItSays)
{
    const Case cases[] = {
        // A name anywhere, file or folder.
        { "*.iso", { "disk.iso" }, true },
        { "*.iso", { "a/b/disk.iso" }, true },
        { "*.iso", { "a/b/disk.iso.part" }, false },
        { "*.iso", { "images.iso", true }, true },
        // A trailing '/': folders only.
        { "node_modules/", { "web/node_modules", true }, true },
        { "node_modules/", { "web/node_modules" }, false },
        // A '/' inside: below the source, from its top.
        { "docs/*.tmp", { "docs/a.tmp" }, true },
        { "docs/*.tmp", { "x/docs/a.tmp" }, false },
        { "docs/*.tmp", { "docs/sub/a.tmp" }, false },
        // A leading '/': one place, by the real path or the path as typed.
        { "/data/Videos/", { "Videos", true }, true },
        { "/home/me/data/Videos/", { "Videos", true }, true },
        { "/home/me/data/Videos/", { "x/Videos", true }, false },
        { "/data/*.log", { "top.log" }, true },
        { "/data/*.log", { "a/top.log" }, false },
        // Any number of folders.
        { "**/build/", { "build", true }, true },
        { "**/build/", { "a/b/build", true }, true },
        { "**/build/", { "a/b/build" }, false },
        { "cache/**", { "cache/x" }, true },
        { "cache/**", { "cache/x/y", true }, true },
        { "cache/**", { "cache", true }, false },
        { "a/**/z", { "a/z" }, true },
        { "a/**/z", { "a/b/c/z" }, true },
        { "a/**/z", { "b/a/z" }, false },
        // '*' and '?' never take a '/'; "**" inside a name is one '*'.
        { "a/*", { "a/b/c" }, false },
        { "a?c", { "abc" }, true },
        { "a?c", { "aéc" }, true },
        { "x**y", { "xaay" }, true },
        // Classes, ranges, negation, and a ']' first in the class.
        { "[ab].log", { "a.log" }, true },
        { "[ab].log", { "c.log" }, false },
        { "v[0-9]", { "v7" }, true },
        { "v[!0-9]", { "v7" }, false },
        { "v[^0-9]", { "vx" }, true },
        { "[]x]", { "]" }, true },
        { "[é-ë]", { "ê" }, true },
        // Escapes take the next character as it is.
        { "\\#lit", { "#lit" }, true },
        { "\\!bang", { "!bang" }, true },
        { "st\\*r", { "st*r" }, true },
        { "st\\*r", { "stXr" }, false },
        { "\\[x]", { "[x]" }, true },
        { "trail\\ ", { "trail " }, true },
        // Trailing spaces are not part of a pattern.
        { "*.bak   ", { "x.bak" }, true },
        // Hostile names as they are.
        { "$(touch pwned)", { "$(touch pwned)" }, true },
        { "`id`", { "`id`" }, true },
        { "say \"hi\"", { "say \"hi\"" }, true },
        { "it's", { "it's" }, true },
        { "@list", { "@list" }, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(leftOut(c.pattern, c.entry), c.out)
            << c.pattern << " on " << c.entry.relative << (c.entry.folder ? " (folder)" : "");
}

TEST(ExcludePatterns, CommentsBlanksAndTheFirstMatchingPatternIsNamed)
{
    const std::vector<std::string> lines = { "# *.txt", "", "   ", "*.o", "build/", "*.txt~" };
    EXPECT_EQ(leaving(lines, { "notes.txt" }), "");
    EXPECT_EQ(leaving(lines, { "main.o" }), "*.o");
    EXPECT_EQ(leaving(lines, { "src/build", true }), "build/");
    EXPECT_TRUE(ExcludePatterns(std::vector<std::string>{ "# only a comment", "" }).empty());
    EXPECT_TRUE(ExcludePatterns(std::vector<std::string>{ "# only a comment", "" }).refusals().empty());
}

TEST(ExcludePatterns, LinesThatCannotBeUsedAreRefusedEachWithItsLine)
{
    const ExcludePatterns patterns(
        std::vector<std::string>{ "!keep.iso", "[abc", "dangling\\", "/", "[z-a]", "*.iso" });
    const std::vector<std::string> expected = {
        "Exclusion pattern not used, taking back what another pattern leaves out (!) is not supported: "
        "!keep.iso",
        "Exclusion pattern not used, a [ without its closing ]: [abc",
        "Exclusion pattern not used, it ends in a lone \\: dangling\\",
        "Exclusion pattern not used, it names no file or folder: /",
        "Exclusion pattern not used, a range in [ ] that runs backwards: [z-a]",
    };
    EXPECT_EQ(patterns.refusals(), expected);
    // The lines that read still count.
    EXPECT_FALSE(patterns.empty());
    EXPECT_EQ(patterns.leavingOut({ "keep.iso", "keep.iso", "/d/keep.iso", "/d/keep.iso" }, false), "*.iso");
}

TEST(ExcludePatterns, LongPathsWithManyStarsMatchWithoutBlowingUp)
{
    std::string deep;
    for (int i = 0; i < 200; ++i)
        deep += "aaaaaaaaaa/";
    deep += "end";
    EXPECT_FALSE(leftOut("**/*a*a*a*a*a*a*a*a*b/**", { deep }));
    EXPECT_TRUE(leftOut("**/*a*a*a*a*a*a*a*a*/end", { deep }));
}

} // namespace
