#include "backup/BackupRun.h"

#include "platform/FileSystem.h"
#include "store/JobRunner.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::FakeFields;
using testsupport::makeDirs;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

struct Discovery {
    FakeFields fields;
    std::vector<std::string> log;
    testsupport::LogHost host{ [this](const std::string& line) { log.insert(log.begin(), line); } };
    BackupRun run{ host, fields, "" };
};

} // namespace

TEST(FolderDiscovery, PreOrderInListOrderEachEndingInOneSeparator)
{
    TempDir dir;
    const std::string a = dir / "A";
    const std::string b = dir / "B";
    makeDirs(a + "/Y");
    makeDirs(a + "/X/Z");
    makeDirs(a + "/a lower");
    makeDirs(b);
    writeText(a + "/file.txt", "not a folder");
    writeText(a + "/X/Z/deep.txt", "x");

    Discovery d;
    // The first source as typed with its separator, the second without, the
    // third with a doubled one.
    d.fields.from = { a + "/", b, dir.path() + "//A/X" };
    d.run.FindFolders();

    // The third source lies in the first: its folders are found once.
    const std::vector<std::string> expected = {
        a + "/",
        a + "/X/",
        a + "/X/Z/",
        a + "/Y/",
        a + "/a lower/",
        b + "/",
    };
    EXPECT_EQ(d.run.FolderList, expected);
    // One line per source, with the entry's text as it stands in the list.
    const std::vector<std::string> log
        = { "Find in: " + dir.path() + "//A/X", "Find in: " + b, "Find in: " + a + "/",
              "Warning: Source folders overlap, what lies in both is backed up once: " + a + "/ and "
                  + dir.path() + "//A/X" };
    EXPECT_EQ(d.log, log);

    // A new search replaces the list as a whole.
    d.fields.from.clear();
    d.run.FindFolders();
    EXPECT_TRUE(d.run.FolderList.empty());
}

TEST(FolderDiscovery, HiddenFoldersAndLinksAreNeverEntered)
{
    TempDir dir;
    const std::string src = dir / "src";
    makeDirs(src + "/.hidden/below");
    makeDirs(src + "/real/inner");
    writeText(src + "/.hidden/below/f", "x");
    ASSERT_TRUE(platform::createSymlink("..", src + "/real/loop")); // a loop back up
    ASSERT_TRUE(platform::createSymlink(src + "/real", src + "/shortcut")); // a link to a folder
    ASSERT_TRUE(platform::createSymlink("nowhere", src + "/dangling"));

    Discovery d;
    d.fields.from = { src };
    d.run.FindFolders();
    EXPECT_EQ(
        d.run.FolderList, (std::vector<std::string>{ src + "/", src + "/real/", src + "/real/inner/" }));
}

TEST(FolderDiscovery, MissingSourceStillGetsItsEntry)
{
    TempDir dir;
    makeDirs(dir / "here");
    writeText(dir / "plain-file", "x");

    Discovery d;
    d.fields.from = { dir / "gone", dir / "here", dir / "plain-file" };
    d.run.FindFolders();
    EXPECT_EQ(
        d.run.FolderList, (std::vector<std::string>{ dir / "gone/", dir / "here/", dir / "plain-file/" }));
}

TEST(FolderDiscovery, DeepAndWideTreesAreWalkedCompletely)
{
    TempDir dir;
    std::string deep = dir / "d";
    std::vector<std::string> expected;
    for (int level = 0; level < 150; ++level) {
        expected.push_back(deep + "/");
        deep += "/n";
    }
    expected.push_back(deep + "/");
    makeDirs(deep);
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "w%03d", i);
        makeDirs(dir / "wide/" + name);
    }

    Discovery d;
    d.fields.from = { dir / "d", dir / "wide" };
    d.run.FindFolders();
    ASSERT_EQ(d.run.FolderList.size(), expected.size() + 301);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), d.run.FolderList.begin()));
    EXPECT_EQ(d.run.FolderList[expected.size()], dir / "wide/");
    EXPECT_EQ(d.run.FolderList.back(), dir / "wide/w299/");
}
