#include "platform/FileOps.h"
#include "platform/Listing.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st { };
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// A tiny tmpfs for tests that need a file system that fills up; unmounted
// when the object goes. Needs root; `ok()` says whether it could be made.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& where)
        : m_where(where)
    {
        testsupport::makeDirs(where);
        m_ok = ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem()
    {
        if (m_ok)
            ::umount2(m_where.c_str(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }

private:
    std::string m_where;
    bool m_ok = false;
};

} // namespace

TEST(FileOperations, WriteReadCopyAndDelete)
{
    TempDir dir;
    const std::string bytes("a\0b\r\n\xff", 6);
    ASSERT_TRUE(platform::writeFile(dir / "f", bytes));
    EXPECT_EQ(*platform::readFile(dir / "f"), bytes);

    ASSERT_TRUE(platform::writeFile(dir / "private", "x", platform::FileAccess::UserOnly));
    EXPECT_EQ(modeOf(dir / "private"), 0600u);

    testsupport::writeText(dir / "g", "old contents, longer");
    ASSERT_TRUE(platform::copyFile(dir / "f", dir / "g")); // replaces
    EXPECT_EQ(testsupport::readText(dir / "g"), bytes);
    EXPECT_FALSE(platform::copyFile(dir / "none", dir / "h"));
    EXPECT_FALSE(platform::fileExists(dir / "h"));

    ASSERT_TRUE(platform::deleteFile(dir / "g"));
    auto again = platform::deleteFile(dir / "g");
    ASSERT_FALSE(again.ok());
    EXPECT_NE(again.error().find(dir / "g"), std::string::npos);

    // Writing never follows a link planted at the file's name.
    ASSERT_EQ(::symlink((dir / "f").c_str(), (dir / "trap").c_str()), 0);
    EXPECT_FALSE(platform::writeFile(dir / "trap", "overwritten?"));
    EXPECT_EQ(testsupport::readText(dir / "f"), bytes);
}

TEST(FileOperations, CreateFolderOneLevel)
{
    TempDir dir;
    EXPECT_TRUE(platform::createFolder(dir / "a/"));
    EXPECT_FALSE(platform::createFolder(dir / "a")); // exists
    EXPECT_FALSE(platform::createFolder(dir / "x/y")); // parent missing
    EXPECT_TRUE(platform::createPrivateFolder(dir / "p"));
    EXPECT_EQ(modeOf(dir / "p"), 0700u);
    EXPECT_TRUE(platform::createPrivateFolder(dir / "p"));
}

TEST(MoveFile, RenamesButNeverReplaces)
{
    TempDir dir;
    testsupport::writeText(dir / "a", "A");
    testsupport::writeText(dir / "b", "B");
    EXPECT_FALSE(platform::moveFile(dir / "a", dir / "b"));
    EXPECT_EQ(testsupport::readText(dir / "a"), "A");
    EXPECT_EQ(testsupport::readText(dir / "b"), "B");

    testsupport::makeDirs(dir / "sub");
    ASSERT_TRUE(platform::moveFile(dir / "a", dir / "sub/a2"));
    EXPECT_FALSE(platform::fileExists(dir / "a"));
    EXPECT_EQ(testsupport::readText(dir / "sub/a2"), "A");

    EXPECT_FALSE(platform::moveFile(dir / "missing", dir / "c"));
    EXPECT_FALSE(platform::moveFile(dir / "b", dir / "nofolder/b"));
    EXPECT_TRUE(platform::fileExists(dir / "b"));
}

TEST(MoveFile, AcrossFileSystems)
{
    TempDir shm("/dev/shm");
    TempDir local(QUORVEL_TEST_BUILD_DIR);
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 131 % 251);
    testsupport::writeText(shm / "archive.7z", big);

    ASSERT_TRUE(platform::moveFile(shm / "archive.7z", local / "archive.7z"));
    EXPECT_FALSE(platform::fileExists(shm / "archive.7z"));
    EXPECT_EQ(testsupport::readText(local / "archive.7z"), big);
    // No temporary file, hidden or not, is left beside the destination.
    EXPECT_EQ(std::system(("test \"$(ls -A '" + local.path() + "')\" = archive.7z").c_str()), 0);

    // Back the other way, onto an existing name: refused, both files intact.
    testsupport::writeText(shm / "archive.7z", "other");
    EXPECT_FALSE(platform::moveFile(local / "archive.7z", shm / "archive.7z"));
    EXPECT_EQ(testsupport::readText(shm / "archive.7z"), "other");
    EXPECT_EQ(testsupport::readText(local / "archive.7z"), big);
}

TEST(MoveFile, FailedCrossFileSystemCopyLeavesNoPartialFile)
{
    TempDir local(QUORVEL_TEST_BUILD_DIR);
    // Reading this file fails after it was opened, halfway into the copy path.
    const std::string unreadable = "/proc/self/mem";
    auto status = platform::moveFile(unreadable, local / "copy");
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(platform::listFolder(local.path(), true).value().empty());
    struct stat st { };
    EXPECT_EQ(::lstat((local / "copy").c_str(), &st), -1);
    // Hidden temporaries count too.
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + local.path() + "')\"").c_str()), 0);
}

TEST(MoveFile, FullDestinationLeavesSourceAndNoPartialFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    TempDir dir(QUORVEL_TEST_BUILD_DIR);
    SmallFileSystem small(dir / "small");
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string big(256 * 1024, 'x');
    testsupport::writeText(dir / "big", big);
    EXPECT_FALSE(platform::moveFile(dir / "big", dir / "small/big"));
    EXPECT_EQ(testsupport::readText(dir / "big"), big);
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + dir.path() + "/small')\"").c_str()), 0);
}

TEST(ReplaceFileAtomically, NewContentsOrOldNeverEmpty)
{
    TempDir dir;
    testsupport::writeText(dir / "settings.ini", "old");
    ASSERT_TRUE(platform::replaceFileAtomically(dir / "settings.ini", "new"));
    EXPECT_EQ(testsupport::readText(dir / "settings.ini"), "new");
    EXPECT_EQ(platform::listFolder(dir.path(), true).value(), std::vector<std::string>{ "settings.ini" });
    EXPECT_FALSE(platform::replaceFileAtomically(dir / "missing/settings.ini", "x"));
}

TEST(ReplaceFileAtomically, FullDiskKeepsTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    TempDir dir(QUORVEL_TEST_BUILD_DIR);
    SmallFileSystem small(dir / "small");
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    testsupport::writeText(dir / "small/settings.ini", "old");
    EXPECT_FALSE(platform::replaceFileAtomically(dir / "small/settings.ini", std::string(256 * 1024, 'x')));
    EXPECT_EQ(testsupport::readText(dir / "small/settings.ini"), "old");
    EXPECT_EQ(platform::listFolder(dir / "small", true).value(), std::vector<std::string>{ "settings.ini" });
}

TEST(RewriteFile, OwnFileIsWrittenOverInPlace)
{
    TempDir dir;
    const std::string file = dir / "temp.bat";
    testsupport::writeText(file, "a longer old content");
    ::chmod(file.c_str(), 0644);
    struct stat before;
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_TRUE(platform::rewriteFile(file, "new", platform::FileAccess::UserOnly));
    struct stat after;
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    EXPECT_EQ(testsupport::readText(file), "new");
}

TEST(RewriteFile, LinksAndSharedFilesAreReplacedNotWrittenThrough)
{
    TempDir dir;
    testsupport::writeText(dir / "target", "keep");
    ASSERT_TRUE(platform::createSymlink(dir / "target", dir / "link"));
    ASSERT_TRUE(platform::rewriteFile(dir / "link", "new"));
    EXPECT_EQ(testsupport::readText(dir / "target"), "keep");
    struct stat st;
    ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(testsupport::readText(dir / "link"), "new");

    // A file with a second name elsewhere keeps its bytes there.
    testsupport::writeText(dir / "shared", "keep");
    ASSERT_EQ(::link((dir / "shared").c_str(), (dir / "other name").c_str()), 0);
    ASSERT_TRUE(platform::rewriteFile(dir / "shared", "new"));
    EXPECT_EQ(testsupport::readText(dir / "other name"), "keep");
    EXPECT_EQ(testsupport::readText(dir / "shared"), "new");
}
