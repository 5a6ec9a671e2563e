// A folder whose job never starts: the user may list it but not enter it, so
// the job shell cannot make it the archiver's working folder. The backup says
// so for that folder, stores nothing for it, and goes on with the others.
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class JobNotStarted : public BackupRestoreFixture { };

TEST_F(JobNotStarted, AFolderThatCanBeListedButNotEnteredIsToldAndTheOthersAreStored)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string sources = dir / "src";
    const std::string locked = sources + "/locked/";
    const std::string open = sources + "/open/";
    makeDirs(locked);
    makeDirs(open);
    writeText(locked + "a.txt", "a");
    writeText(open + "b.txt", "b");
    // Read but no search permission: its names can be listed, nothing in it
    // can be opened, and no process can make it its working folder.
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_write);

    const std::vector<std::string> log = backUp({ sources });
    fs::permissions(locked, fs::perms::owner_all);

    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
        "Error!\r\n\r\n7z not executed...For Directory: " + EncodePath(locked) + "/\r\nFolder: " + locked);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    // The run went on to its end, and the other folders are stored.
    EXPECT_NE(std::find(log.begin(), log.end(), "End:     Copy " + open), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "End:     Copy Folders and compress..."), log.end());
    const std::vector<std::string> runs = runFolders();
    ASSERT_EQ(runs.size(), 1u);
    const std::vector<std::string> stored = runFolderNames(runs[0]);
    EXPECT_NE(std::find(stored.begin(), stored.end(), ArchiveName(open)), stored.end());
    EXPECT_EQ(std::find(stored.begin(), stored.end(), ArchiveName(locked)), stored.end());
    EXPECT_EQ(std::find(stored.begin(), stored.end(), CountFileName(ArchiveName(locked))), stored.end());
    // Nothing was left in the user's folders.
    EXPECT_EQ(allNames(locked), std::vector<std::string>{ "a.txt" });
    EXPECT_EQ(allNames(open), std::vector<std::string>{ "b.txt" });
}

} // namespace
} // namespace testsupport
