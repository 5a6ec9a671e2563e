// The job files in the application folder are the user's alone, and a batch
// file that is not the user's own private file is never run.
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/JobRunner.h"
#include "store/StoreLayout.h"

#include <QProcess>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class JobFiles : public BackupRestoreFixture {
protected:
    std::string jobFile(const char* name) const { return AddBackslash(app.path()) + name; }
};

TEST_F(JobFiles, MarkersAndBatchFileAreForTheUserOnlyWhileRestoredFilesKeepTheirUsualModes)
{
    const std::string source = dir / "src";
    makeDirs(source);
    writeText(source + "/plain.txt", "p");
    writeText(source + "/tool.sh", "#!/bin/sh\n");
    fs::permissions(source + "/plain.txt", fs::perms(0644));
    fs::permissions(source + "/tool.sh", fs::perms(0755));

    testsupport::TempDir work;
    ASSERT_EQ(RunBatchJob(app.path(), { work.path(), "echo made > made.txt", true }), JobOutcome::Finished);
    for (const char* name : { "temp.bat", "wait.tmp", "wait2.tmp" })
        EXPECT_EQ(modeOf(jobFile(name)), 0600u) << name;
    // What the command itself makes follows the program's umask, as always.
    EXPECT_EQ(modeOf(work / "made.txt"), 0666u & ~currentUmask());

    backUp({ source });
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    restore(date);
    ASSERT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    // The archiver's report names the user's files: it is private like the
    // other job files, whatever the umask.
    for (const char* name : { "wait.tmp", "wait2.tmp", "output.txt" })
        EXPECT_EQ(modeOf(jobFile(name)), 0600u) << name;
    EXPECT_NE(readText(jobFile("output.txt")).find("Everything is Ok"), std::string::npos);
    const std::string restored = fields.unBackupTo + source;
    EXPECT_EQ(modeOf(restored + "/plain.txt"), 0644u & ~currentUmask());
    EXPECT_EQ(modeOf(restored + "/tool.sh"), 0755u & ~currentUmask());
}

TEST(UnknownProgramFolder, RunsNoJobAndPutsNothingInTheRoot)
{
    testsupport::TempDir work;
    const bool rootHadOne = fs::exists("/temp.bat");
    EXPECT_THROW(RunBatchJob("", { work.path(), "echo x > ran" }), RunError);
    EXPECT_EQ(fs::exists("/temp.bat"), rootHadOne);
    EXPECT_FALSE(fs::exists(work / "ran"));
    EXPECT_EQ(RunLockFile(""), "");
}

TEST(CheckOwnPrivateFile, OnlyTheUsersOwnRegularPrivateFilePasses)
{
    testsupport::TempDir dir;
    writeText(dir / "own", "x");
    fs::permissions(dir / "own", fs::perms(0600));
    EXPECT_TRUE(platform::checkOwnPrivateFile(dir / "own"));
    fs::permissions(dir / "own", fs::perms(0644));
    EXPECT_TRUE(platform::checkOwnPrivateFile(dir / "own")); // others may read, not change it

    fs::create_symlink(dir / "own", dir / "link");
    auto linked = platform::checkOwnPrivateFile(dir / "link");
    EXPECT_FALSE(linked);
    EXPECT_NE(linked.error().find("symbolic link"), std::string::npos) << linked.error();

    writeText(dir / "shared", "x");
    fs::permissions(dir / "shared", fs::perms(0666));
    EXPECT_FALSE(platform::checkOwnPrivateFile(dir / "shared"));
    fs::permissions(dir / "shared", fs::perms(0620));
    EXPECT_FALSE(platform::checkOwnPrivateFile(dir / "shared"));

    makeDirs(dir / "folder");
    EXPECT_FALSE(platform::checkOwnPrivateFile(dir / "folder"));
    EXPECT_FALSE(platform::checkOwnPrivateFile(dir / "missing"));

    if (canRunUnprivileged()) {
        writeText(dir / "foreign", "x");
        fs::permissions(dir / "foreign", fs::perms(0600));
        ASSERT_EQ(std::system(("chown 65534:65534 '" + dir / "foreign" + "'").c_str()), 0);
        auto foreign = platform::checkOwnPrivateFile(dir / "foreign");
        EXPECT_FALSE(foreign);
        EXPECT_NE(foreign.error().find("another user"), std::string::npos) << foreign.error();
    }
}

// An application folder that others may write to (a shared folder with the
// sticky bit): a batch file that another user put there, and that this user
// can neither delete nor own, is never run.
TEST(ForeignBatchFile, IsRefusedAndNeverRun)
{
    if (!canRunUnprivileged())
        GTEST_SKIP() << "needs root to set up a file of another user";
    testsupport::TempDir dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string shared = dir / "shared";
    makeDirs(shared);
    makeDirs(dir / "work");
    fs::permissions(shared, fs::perms(01777));
    fs::permissions(dir / "work", fs::perms(0777));
    writeText(shared + "/temp.bat", "planted");
    fs::permissions(shared + "/temp.bat", fs::perms(0666));

    QProcess user;
    ASSERT_TRUE(startSelf(user, "ForeignBatchFileHelper.DISABLED_RunsAJob",
        { { "QUORVEL_HELPER_APP", shared }, { "QUORVEL_HELPER_WORK", dir / "work" } }, true));
    ASSERT_TRUE(user.waitForFinished(30000));
    EXPECT_EQ(user.exitCode(), 0) << "the job was not refused as it should be";
    EXPECT_FALSE(fs::exists(dir / "work/ran"));
    EXPECT_FALSE(fs::exists(shared + "/wait2.tmp"));
}

TEST(ForeignBatchFileHelper, DISABLED_RunsAJob)
{
    const std::string app = helperSetting("QUORVEL_HELPER_APP");
    if (app.empty())
        GTEST_SKIP() << "runs only as another test's helper";
    try {
        RunBatchJob(app, { helperSetting("QUORVEL_HELPER_WORK"), "echo x > ran" });
        ADD_FAILURE() << "the job ran";
    } catch (const RunError& error) {
        EXPECT_NE(std::string(error.what()).find(app + "/temp.bat"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace testsupport
