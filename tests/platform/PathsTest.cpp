#include "platform/Paths.h"
#include "platform/Listing.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using testsupport::TempDir;

TEST(ShortPath, ResolvesLinksAndDots)
{
    TempDir dir;
    testsupport::makeDirs(dir / "real");
    ASSERT_EQ(::symlink("real", (dir / "link").c_str()), 0);
    const std::string real = platform::shortPath(dir / "real");
    EXPECT_EQ(platform::shortPath(dir / "link/"), real);
    EXPECT_EQ(platform::shortPath(dir / "real/../real"), real);
    EXPECT_EQ(platform::shortPath(dir / "none"), "");
    EXPECT_TRUE(platform::folderExists(platform::executableFolder()));
}

TEST(ShortPath, AgreesWithRealpathOnAwkwardPaths)
{
    TempDir dir;
    testsupport::makeDirs(dir / "a b/x (deleted)");
    testsupport::makeDirs(dir / "line\nbreak");
    testsupport::writeText(dir / "a b/file", "x");
    ASSERT_EQ(::symlink("a b/file", (dir / "to file").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop", (dir / "loop").c_str()), 0);
    ASSERT_EQ(::symlink("../..", (dir / "a b/up").c_str()), 0);
    const std::vector<std::string> paths = { dir / "a b/x (deleted)", dir / "a b/x (deleted)/",
        dir / "line\nbreak", dir / "a b/file", dir / "a b/file/", dir / "to file", dir / "dangling",
        dir / "loop", dir / "a b/up", dir / "a b/up/", dir / "a b//./x (deleted)/../file", "/", "." };
    for (const std::string& path : paths) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        const std::string expected = resolved ? resolved : "";
        std::free(resolved);
        EXPECT_EQ(platform::shortPath(path), expected) << path;
    }
}
