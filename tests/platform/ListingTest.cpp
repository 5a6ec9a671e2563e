#include "platform/Listing.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;

TEST(ListFolder, SortedFilesAndOptionallyFoldersWithoutHiddenEntries)
{
    TempDir dir;
    testsupport::writeText(dir / "b", "");
    testsupport::writeText(dir / "a", "");
    testsupport::writeText(dir / "B", "");
    testsupport::writeText(dir / ".hidden", "");
    testsupport::makeDirs(dir / "sub");
    testsupport::makeDirs(dir / ".hiddendir");
    ASSERT_EQ(::symlink("sub", (dir / "linkToSub").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);

    auto files = platform::listFolder(dir.path(), false);
    ASSERT_TRUE(files.ok()) << files.error();
    // Byte order; a link to a folder and a FIFO are ordinary entries.
    EXPECT_EQ(files.value(), (std::vector<std::string>{ "B", "a", "b", "fifo", "linkToSub" }));

    auto all = platform::listFolder(dir.path() + "/", true);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all.value(), (std::vector<std::string>{ "B", "a", "b", "fifo", "linkToSub", "sub" }));

    // Only real folders; the link to one is no folder.
    testsupport::makeDirs(dir / "Sub 2");
    auto folders = platform::listSubfolders(dir.path());
    ASSERT_TRUE(folders.ok());
    EXPECT_EQ(folders.value(), (std::vector<std::string>{ "Sub 2", "sub" }));

    // The same entries as files, with the regular files this user cannot read marked.
    testsupport::writeText(dir / "secret", "x");
    ::chmod((dir / "secret").c_str(), 0);
    auto listed = platform::listFiles(dir.path());
    ASSERT_TRUE(listed.ok());
    std::vector<std::string> names;
    std::vector<std::string> unreadable;
    for (const platform::ListedFile& file : listed.value()) {
        names.push_back(file.name);
        if (file.unreadable)
            unreadable.push_back(file.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{ "B", "a", "b", "fifo", "linkToSub", "secret" }));
    EXPECT_EQ(
        unreadable, ::geteuid() == 0 ? std::vector<std::string>{} : std::vector<std::string>{ "secret" });

    // The links alone, hidden ones and dangling ones too.
    ASSERT_EQ(::symlink("/nowhere", (dir / ".hiddenLink").c_str()), 0);
    auto links = platform::listLinks(dir.path());
    ASSERT_TRUE(links.ok());
    EXPECT_EQ(links.value(), (std::vector<std::string>{ ".hiddenLink", "linkToSub" }));
}

TEST(ListFolder, FailsWithTheFolderNamedForMissingOrUnreadableFolders)
{
    TempDir dir;
    auto missing = platform::listFolder(dir / "nope", true);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find(dir / "nope"), std::string::npos) << missing.error();

    testsupport::writeText(dir / "file", "x");
    EXPECT_FALSE(platform::listFolder(dir / "file", true).ok());
    EXPECT_FALSE(platform::listSubfolders(dir / "nope").ok());
    EXPECT_FALSE(platform::listFiles(dir / "file").ok());
}

TEST(Attributes, DirectoryBitOnlyForRealDirectories)
{
    TempDir dir;
    testsupport::makeDirs(dir / "d");
    testsupport::writeText(dir / "f", "");
    ASSERT_EQ(::symlink("d", (dir / "l").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);

    EXPECT_EQ(*platform::attributes(dir / "d"), platform::kAttrDirectory);
    EXPECT_EQ(*platform::attributes(dir / "f"), 0u);
    EXPECT_EQ(*platform::attributes(dir / "l"), 0u);
    EXPECT_FALSE(platform::attributes(dir / "none").ok());

    EXPECT_TRUE(platform::fileExists(dir / "f"));
    EXPECT_TRUE(platform::fileExists(dir / "dangling"));
    EXPECT_FALSE(platform::fileExists(dir / "d"));
    EXPECT_FALSE(platform::fileExists(dir / "none"));

    // A folder passes with or without its trailing separator, through links too.
    EXPECT_TRUE(platform::folderExists(dir / "d"));
    EXPECT_TRUE(platform::folderExists(dir / "d/"));
    EXPECT_TRUE(platform::folderExists(dir / "l"));
    EXPECT_FALSE(platform::folderExists(dir / "f"));
    EXPECT_FALSE(platform::folderExists(""));
}
