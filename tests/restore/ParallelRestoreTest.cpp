// Restores that keep several archiver jobs going over a tree whose levels
// are tied by links: each link comes back as it was, and an archive whose
// folder an archive above it turns into a link is refused, not followed.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/ArchiveNames.h"
#include "store/FileCount.h"
#include "store/StoreLayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class ParallelRestore : public BackupRestoreFixture {
protected:
    ParallelRestore()
    {
        fields.jobCount = 3;
        fields.unBackupTo = dir / "restored";
        makeDirs(fields.unBackupTo);
    }

    std::string restoredPath(const std::string& source) const { return fields.unBackupTo + source; }
};

TEST_F(ParallelRestore, LinksBetweenLevelsComeBackAsTheyWere)
{
    const std::string top = dir / "source/top";
    makeDirs(top + "/sub/deep");
    writeRandomFile(top + "/large.bin", 12);
    writeText(top + "/top.txt", "top");
    writeText(top + "/sub/file.txt", "sub");
    writeText(top + "/sub/deep/deep.txt", "deep");
    for (int i = 0; i < 6; ++i)
        folderWithFiles(top + "/sub", "side" + std::to_string(i));
    // Down into a child, to a child folder, up to the parent and two levels up.
    fs::create_symlink("sub/file.txt", top + "/down");
    fs::create_symlink("sub", top + "/to-sub");
    fs::create_symlink("../top.txt", top + "/sub/up");
    fs::create_symlink("../../top.txt", top + "/sub/deep/far");
    const std::map<std::string, std::string> files = filesOfTree(dir / "source");

    backUp({ dir / "source" });
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    date = platform::formatDateText(clock.localNow());
    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;

    const std::string back = restoredPath(top);
    for (const auto& [link, target] : std::map<std::string, std::string>{ { "/down", "sub/file.txt" },
             { "/to-sub", "sub" }, { "/sub/up", "../top.txt" }, { "/sub/deep/far", "../../top.txt" } }) {
        ASSERT_TRUE(fs::is_symlink(back + link)) << link;
        EXPECT_EQ(fs::read_symlink(back + link).string(), target) << link;
    }
    EXPECT_EQ(readText(back + "/sub/deep/far"), "top");
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(back + "/sub")));
    for (const auto& [path, bytes] : files) {
        if (!fs::is_symlink(path)) {
            EXPECT_EQ(readText(restoredPath(path)), bytes) << path;
        }
    }
}

TEST_F(ParallelRestore, AFolderThatTheArchiveAboveItMakesALinkIsRefusedNotFollowed)
{
    const std::string parent = dir / "source/parent";
    makeDirs(parent + "/sub");
    writeText(parent + "/sub/inside.txt", "would land outside");
    writeText(parent + "/top.txt", "top");
    backUp({ parent });
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    date = platform::formatDateText(clock.localNow());
    runFolder = AddBackslash(RunFolderPath(fields.to, date));

    // The parent's archive is made anew holding "sub" as a link out of the
    // restore target, beside a large file that keeps its job going.
    const std::string outside = dir / "outside";
    makeDirs(outside);
    const std::string crafted = dir / "crafted";
    makeDirs(crafted);
    writeRandomFile(crafted + "/large.bin", 30);
    writeText(crafted + "/top.txt", "top");
    fs::create_symlink(outside, crafted + "/sub");
    const std::string archive = runFolder + ArchiveName(AddBackslash(parent));
    fs::remove(archive);
    const std::string command = "cd '" + crafted + "' && '" + archiverPath() + "' a -t7z -snl -i!* -x!*/ '"
        + archive + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(WriteCountFile(CountFileName(archive), 3));

    restore(date);
    const std::vector<ShownBox> shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("is a link or a file, not a real folder"), std::string::npos)
        << shown[0].text;
    EXPECT_TRUE(allNames(outside).empty());
    EXPECT_TRUE(fs::is_symlink(restoredPath(parent) + "/sub"));
    EXPECT_EQ(window->restoreRun().summary().done, 1);
    EXPECT_EQ(window->restoreRun().summary().failed, 1);
}

} // namespace
} // namespace testsupport
