#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::TempDir;

TEST(ListFolder, SortedWithoutHiddenEntries)
{
    TempDir dir;
    testsupport::writeText(dir / "b", "");
    testsupport::writeText(dir / "a", "");
    testsupport::writeText(dir / ".hidden", "");
    testsupport::makeDirs(dir / "sub");
    auto files = platform::listFolder(dir.path(), false);
    ASSERT_TRUE(files.ok());
    EXPECT_EQ(files.value(), (std::vector<std::string>{"a", "b"}));
    auto all = platform::listFolder(dir.path() + "/", true);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all.value(), (std::vector<std::string>{"a", "b", "sub"}));
}
