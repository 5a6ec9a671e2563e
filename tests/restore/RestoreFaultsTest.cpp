// Faults during a restore: a damaged archive in the store, a restore target
// that cannot be written, and one on another file system. The store is never
// changed, each archive's trouble is told once, and the run goes on.
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "platform/FileSystem.h"
#include "restore/windows/TextViewer.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <filesystem>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

class RestoreFaults : public BackupRestoreFixture {
protected:
    RestoreFaults()
    {
        makeDirs(one);
        makeDirs(two);
        writeText(one + "/a.txt", "a");
        writeText(one + "/b.txt", "b");
        writeText(two + "/c.txt", "c");
    }

    // Backs up both folders; returns the store's files with their bytes.
    std::map<std::string, std::string> backUpBoth()
    {
        backUp({ one, two });
        EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
        return allFilesBelow(fields.to);
    }

    std::string archiveOf(const std::string& folder) const { return ArchiveName(folder + "/"); }

    std::string one = dir / "src/one";
    std::string two = dir / "src/two";
};

TEST_F(RestoreFaults, ATruncatedArchiveIsReportedAndTheNextOneIsRestored)
{
    backUpBoth();
    const std::string stored = runFolder + archiveOf(one);
    const std::string bytes = readText(stored);
    writeText(stored, bytes.substr(0, bytes.size() / 2));
    const auto store = allFilesBelow(fields.to);

    // The user asks to read the archiver's output.
    std::string shownOutput;
    const TextViewerHandler previous
        = setTextViewerHandler([&shownOutput](const std::string& path) { shownOutput = readText(path); });
    const std::vector<std::string> log = withoutRunReport(restore(date, { MsgAnswer::Ok, MsgAnswer::Yes }));
    setTextViewerHandler(previous);
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].text.starts_with("Error!\r\n\r\nZZip not completed well...\r\n")) << shown[0].text;
    EXPECT_NE(shown[0].text.find("For Directory: " + archiveOf(one) + "\r\nExpected number of files: 2\r\n"),
        std::string::npos)
        << shown[0].text;
    EXPECT_EQ(shown[1].title, "Read file?");
    // The archiver's output, as shown, says what was wrong with this archive.
    EXPECT_NE(shownOutput.find(archiveOf(one)), std::string::npos) << shownOutput;
    EXPECT_NE(shownOutput.find("ERROR"), std::string::npos) << shownOutput;

    const std::string restoredOne = fields.unBackupTo + one + "/";
    EXPECT_FALSE(fs::exists(restoredOne + archiveOf(one)));
    EXPECT_FALSE(fs::exists(restoredOne + archiveOf(one) + ".dat"));
    EXPECT_EQ(readText(fields.unBackupTo + two + "/c.txt"), "c");
    EXPECT_EQ(allFilesBelow(fields.to), store);
}

TEST_F(RestoreFaults, ARestoreTargetThatCannotBeWrittenIsToldAtOnceForEachArchive)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const auto store = backUpBoth();
    // The folder for "one" exists but is read-only; the one for "two" cannot
    // be made, since the level above it is read-only.
    const std::string restoredOne = fields.unBackupTo + one;
    makeDirs(restoredOne);
    fs::permissions(restoredOne, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(fs::path(restoredOne).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);

    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> log = withoutRunReport(restore(date));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    fs::permissions(restoredOne, fs::perms::owner_all);
    fs::permissions(fs::path(restoredOne).parent_path(), fs::perms::owner_all);

    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
        "Error!\r\n\r\nArchive not restored...\r\nThe folder " + restoredOne
            + "/ under the restore target cannot be written.\r\n\r\nFor Directory: " + archiveOf(one)
            + "\r\nFolder: " + one + "/");
    EXPECT_EQ(shown[1].text,
        "Error!\r\n\r\nArchive not restored...\r\nThe folder " + fields.unBackupTo + two
            + "/ could not be made under the restore target.\r\n\r\nFor Directory: " + archiveOf(two)
            + "\r\nFolder: " + two + "/");
    EXPECT_TRUE(allFilesBelow(fields.unBackupTo).empty());
    EXPECT_EQ(allFilesBelow(fields.to), store);

    // Once the target can be written, the same run restores whole.
    restore(date);
    EXPECT_EQ(shownAfterQuestion().size(), 2u);
    EXPECT_EQ(readText(restoredOne + "/b.txt"), "b");
    EXPECT_EQ(readText(fields.unBackupTo + two + "/c.txt"), "c");
}

TEST_F(RestoreFaults, ARestoreTargetOnAnotherFileSystem)
{
    if (!platform::folderExists("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm here";
    const std::vector<std::string> sources = testsupport::makeSampleTree(dir / "sample");
    backUp(sources);
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    testsupport::TempDir elsewhere("/dev/shm");
    fields.unBackupTo = elsewhere.path();

    const std::vector<std::string> log = withoutRunReport(restore(date));
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    testsupport::expectRestoredExactly(elsewhere.path(), testsupport::filesOfTree(dir / "sample"));
}

} // namespace
} // namespace testsupport
