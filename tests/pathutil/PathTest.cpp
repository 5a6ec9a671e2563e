#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

using platform::kPosixPathStyle;
using platform::kWindowsPathStyle;
using platform::PathStyle;

namespace {

// A Windows-style example written with '/' instead of '\' and "/" instead of a drive.
std::string toPosix(std::string text)
{
    for (char& c : text)
        if (c == '\\')
            c = '/';
    // "C:/..." becomes "/..."; the drive prefix of three characters is the root of one.
    if (text.size() >= 3 && text[1] == ':' && text[2] == '/')
        text.erase(0, 2);
    return text;
}

struct AddBackslashCase {
    std::string argument;
    std::string result;
};

} // namespace

TEST(AddBackslash, ExamplesInBothStyles)
{
    const AddBackslashCase cases[] = {
        { "C:\\Data", "C:\\Data\\" }, { "C:\\Data\\", "C:\\Data\\" }, { "C:\\Data\\\\", "C:\\Data\\" },
        { "C:\\", "C:\\" }, { "", "\\" },
        // The collapse of separator runs; the trailing separator is added first.
        { "a\\\\\\b", "a\\\\b\\" }, { "\\\\srv\\share", "\\srv\\share\\" },
        { "a\\\\\\\\b\\", "a\\\\b\\" }, // four become two
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddBackslash(c.argument, kWindowsPathStyle), c.result) << c.argument;
        EXPECT_EQ(AddBackslash(toPosix(c.argument), kPosixPathStyle), toPosix(c.result)) << c.argument;
    }
    // The native style is the Linux one.
    EXPECT_EQ(AddBackslash("/home/user/Data"), "/home/user/Data/");
}

TEST(PathPart, ExamplesInBothStyles)
{
    struct Case {
        std::string path;
        std::int32_t n;
        std::string result;
    };
    const Case cases[] = {
        { "D:\\Data\\Photos\\2020\\", 0, "D:\\Data\\" },
        { "D:\\Data\\Photos\\2020\\", 1, "D:\\Data\\Photos\\" },
        { "D:\\Data\\Photos\\2020\\", 2, "D:\\Data\\Photos\\2020\\" },
        { "D:\\Data\\Photos\\2020\\", 3, "" },
        { "D:\\Data\\Photos\\2020\\", -1, "" },
        { "D:\\Data\\Photos\\2020\\", -2147483647 - 1, "" },
        { "D:\\a\\b", 1, "D:\\a\\" },
        { "D:\\a\\b", 2, "" },
        { "D:\\", 0, "" },
        { "D:\\", 5, "" },
        { "", 0, "" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathPart(c.path, c.n, kWindowsPathStyle), c.result) << c.path << " " << c.n;
        EXPECT_EQ(PathPart(toPosix(c.path), c.n, kPosixPathStyle), toPosix(c.result)) << c.path << " " << c.n;
    }
    // Texts no longer than the root prefix give nothing.
    EXPECT_EQ(PathPart("ab", 0, kWindowsPathStyle), "");
    EXPECT_EQ(PathPart("C:\\", 0, kWindowsPathStyle), "");
    EXPECT_EQ(PathPart("/", 0, kPosixPathStyle), "");
}

TEST(ShortPath, CanonicalFormOfExistingPathsOnly)
{
    testsupport::TempDir dir;
    testsupport::makeDirs(dir / "a b/c");
    const std::string canonical = platform::shortPath(dir.path());
    EXPECT_EQ(ShortPath(dir / "a b/c/../c"), canonical + "/a b/c");
    EXPECT_EQ(ShortPath(dir / "missing"), "");
    EXPECT_EQ(ShortPath(""), "");
}

TEST(MakeFolders, CreatesChainTopDownAndSkipsExistingLevels)
{
    testsupport::TempDir dir;
    testsupport::makeDirs(dir / "x");
    testsupport::writeText(dir / "x/marker", "keep");
    MakeFolders(dir / "x/y/z/deep/er/");
    EXPECT_TRUE(platform::folderExists(dir / "x/y/z/deep/er"));
    EXPECT_EQ(testsupport::readText(dir / "x/marker"), "keep");

    // A level that is a link to a folder is gone through, as the path says.
    testsupport::makeDirs(dir / "real");
    ASSERT_EQ(::symlink("real", (dir / "link").c_str()), 0);
    MakeFolders(dir / "link/a/b/");
    EXPECT_TRUE(platform::folderExists(dir / "real/a/b"));

    // A last name without a trailing separator is not created.
    MakeFolders(dir / "p/q");
    EXPECT_TRUE(platform::folderExists(dir / "p"));
    EXPECT_FALSE(platform::folderExists(dir / "p/q"));
}

TEST(MakeFolders, ReturnsQuietlyWhenNothingCanBeMade)
{
    testsupport::TempDir dir;
    testsupport::writeText(dir / "file", "");
    // A file stands where a folder should be: every level below fails.
    MakeFolders(dir / "file/a/b/");
    EXPECT_FALSE(platform::folderExists(dir / "file/a"));
    if (::geteuid() != 0) {
        testsupport::makeDirs(dir / "locked");
        ::chmod((dir / "locked").c_str(), 0500);
        MakeFolders(dir / "locked/a/b/");
        EXPECT_FALSE(platform::folderExists(dir / "locked/a"));
    }
    MakeFolders("");
    MakeFolders("/");
}

TEST(EscapeString, KeepsAsciiAlphanumericsAndEscapesTheRest)
{
    EXPECT_EQ(EscapeString("C:\\a b\\"), "C%3A%5Ca%20b%5C");
    EXPECT_EQ(EscapeString("AZaz09"), "AZaz09");
    EXPECT_EQ(EscapeString("  x y  "), "x%20y");
    EXPECT_EQ(EscapeString("\n\r"), "%0A%0D");
    EXPECT_EQ(EscapeString(std::string("\x01\x0f\x10", 3)), "%01%0F%10");
    EXPECT_EQ(EscapeString("\xE5\xE4\xF6"), "%E5%E4%F6");
    EXPECT_EQ(EscapeString("/"), "%2F");
}

TEST(UnescapeString, DecodesAsFarAsTheDigitsGo)
{
    EXPECT_EQ(UnescapeString("C%3A%5Ca%20b%5C"), "C:\\a b\\");
    EXPECT_EQ(UnescapeString("%e5"), "\xE5");
    EXPECT_EQ(UnescapeString("a%4"), "a\x04");
    EXPECT_EQ(UnescapeString("a%"), std::string("a\0", 2));
    EXPECT_EQ(UnescapeString("%G1x"), std::string("\0x", 2)); // no digit: code 0, two characters skipped
    EXPECT_EQ(UnescapeString("%4Gx"), "\x04x");
    EXPECT_EQ(UnescapeString("  ab  "), "ab");
}

TEST(EncodePath, CommonCharactersTable)
{
    const std::pair<std::string, std::string> table[] = {
        { " ", "_P-20" },
        { "\\", "_P-5C" },
        { ":", "_P-3A" },
        { ".", "_P-2E" },
        { "_", "_P-5F" },
        { "-", "_P-2D" },
        { "(", "_P-28" },
        { ")", "_P-29" },
        { "&", "_P-26" },
        { "'", "_P-27" },
        { ",", "_P-2C" },
        { "!", "_P-21" },
        { "%", "_P-25" },
        { "+", "_P-2B" },
        { "=", "_P-3D" },
        { "[", "_P-5B" },
        { "]", "_P-5D" },
        { "~", "_P-7E" },
        { "\xE5", "_P-E5" },
        { "\xE4", "_P-E4" },
        { "\xF6", "_P-F6" },
        { "/", "_P-2F" },
    };
    for (const auto& [character, encoded] : table) {
        // Between letters, so that a space is not trimmed away.
        EXPECT_EQ(EncodePath("a" + character + "b"), "a" + encoded + "b") << character;
        EXPECT_EQ(DecodePath("a" + encoded + "b"), "a" + character + "b") << encoded;
    }
}

TEST(EncodePath, WorkedExamples)
{
    EXPECT_EQ(EncodePath("C:\\a b\\"), "C_P-3A_P-5Ca_P-20b_P-5C");
    EXPECT_EQ(DecodePath("C_P-3A_P-5Ca_P-20b_P-5C"), "C:\\a b\\");
    EXPECT_EQ(EncodePath("D:\\Data\\My Photos\\2020_01\\"),
        "D_P-3A_P-5CData_P-5CMy_P-20Photos_P-5C2020_P-5F01_P-5C");
    EXPECT_EQ(EncodePath("C:\\Data\\Docs\\"), "C_P-3A_P-5CData_P-5CDocs_P-5C");
    EXPECT_EQ(EncodePath("2026-12-05 21:06:11"), "2026_P-2D12_P-2D05_P-2021_P-3A06_P-3A11");
    EXPECT_EQ(DecodePath("2026_P-2D12_P-2D05_P-2021_P-3A06_P-3A11"), "2026-12-05 21:06:11");
    // The same in the Linux spelling.
    EXPECT_EQ(EncodePath("/a b/"), "_P-2Fa_P-20b_P-2F");
    EXPECT_EQ(DecodePath("_P-2Fhome_P-2Fa_P-20b_P-2F"), "/home/a b/");
}

TEST(EncodePath, EdgeCases)
{
    // Already encoded: returned unchanged, separators and colon included.
    EXPECT_EQ(EncodePath("C:\\x_P-y\\z\\"), "C:\\x_P-y\\z\\");
    EXPECT_EQ(EncodePath("/x_P-y/z/"), "/x_P-y/z/");
    // Letters and digits only: unchanged both ways.
    EXPECT_EQ(EncodePath("Abc123"), "Abc123");
    EXPECT_EQ(DecodePath("Abc123"), "Abc123");
    // Surrounding spaces are dropped, inner ones escaped.
    EXPECT_EQ(EncodePath("  a b  "), "a_P-20b");
    // Escaped twice: decoded twice, but never a third time.
    EXPECT_EQ(DecodePath("C_P-5FP_P-2D3A_P-5FP_P-2D5C"), "C:\\");
    EXPECT_EQ(DecodePath("C_P-5FP_P-2D5FP_P-2D2D3A"), "C_P-2D3A");
    // Lower-case digits decode like upper-case ones; a lower-case p is no marker.
    EXPECT_EQ(DecodePath("a_P-2fb"), "a/b");
    EXPECT_EQ(DecodePath("a_p-2Fb"), "a_p-2Fb");
    // No marker: unchanged, even with '%'.
    EXPECT_EQ(DecodePath("50%off"), "50%off");
    // Five characters per escaped character, no length limit.
    EXPECT_EQ(EncodePath(std::string(1000, '.')).size(), 5000u);
}

TEST(EncodePath, RandomBytePathsRoundTrip)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> code(16, 255);
    std::uniform_int_distribution<int> length(1, 80);
    int tested = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string path;
        int n = length(random);
        for (int j = 0; j < n; ++j)
            path += static_cast<char>(code(random));
        if (path.front() == ' ' || path.back() == ' ' || path.find("_P-") != std::string::npos)
            continue;
        ++tested;
        const std::string encoded = EncodePath(path);
        ASSERT_EQ(
            encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-"),
            std::string::npos);
        ASSERT_EQ(DecodePath(encoded), path);
    }
    EXPECT_GT(tested, 15000);
}

TEST(EncodePath, Utf8PathsRoundTrip)
{
    const std::string paths[] = {
        "/home/åsa/Bilder/Sommar 2026/",
        "/tmp/Ärger über Öl/",
        "/srv/日本語/データ/",
        "/home/user/naïve café/",
        "/x/Ελληνικά/Ñandú (1)/",
        "C:\\Användare\\Åsa\\",
    };
    for (const auto& path : paths)
        EXPECT_EQ(DecodePath(EncodePath(path)), path) << path;
}
