// Two copies of the program with one application folder: while one runs,
// the other's backup and restore are refused and touch nothing; a copy that
// dies leaves the folder free, and what its job left behind does no harm.
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/RunLock.h"
#include "store/JobRunner.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"

#include <QListView>
#include <QProcess>
#include <QPushButton>

#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

// The archiver of both copies waits at a gate: it says it has started, and
// goes on only once the gate is opened.
void writeGatedArchiver(const std::string& appFolder, const std::string& gate)
{
    writeArchiverScript(appFolder,
        "touch '" + gate
            + "/started'\n"
              "i=0\n"
              "while [ ! -e '"
            + gate
            + "/open' ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done\n"
              "exec \"$REAL\" \"$@\"");
}

class SecondInstance : public BackupRestoreFixture {
protected:
    SecondInstance()
    {
        makeDirs(gate);
        writeGatedArchiver(app.path(), gate);
        makeDirs(source);
        writeText(source + "/kept.txt", "kept");
        writeText(source + "/deleted later.txt", "gone by the next run");
    }

    // Starts the other copy: a backup of `source` into `otherTarget`, whose
    // archiver is held at the gate.
    void startOtherCopy(QProcess& other)
    {
        makeDirs(otherTarget);
        ASSERT_TRUE(startSelf(other, "SecondInstanceHelper.DISABLED_BacksUp",
            { { "QUORVEL_HELPER_APP", app.path() }, { "QUORVEL_HELPER_SOURCE", source },
                { "QUORVEL_HELPER_TARGET", otherTarget } }));
        ASSERT_TRUE(waitForPath(gate + "/started")) << "the other copy's job did not start";
    }

    std::string gate = dir / "gate";
    std::string source = dir / "src/data";
    std::string otherTarget = dir / "other target";
};

TEST(RunLock, OneHolderAtATimeEvenWithinOneProcess)
{
    testsupport::TempDir dir;
    const std::string file = dir / "run.lock";
    {
        platform::RunLock first(file);
        ASSERT_TRUE(first.held()) << first.error();
        platform::RunLock second(file);
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.busy());
        EXPECT_NE(second.error().find(file), std::string::npos);
    }
    platform::RunLock again(file);
    EXPECT_TRUE(again.held());
    EXPECT_EQ(modeOf(file), 0600u);

    // A link in the lock file's place is not followed, and the run goes on.
    fs::remove(file);
    fs::create_symlink(dir / "elsewhere", file);
    platform::RunLock linked(file);
    EXPECT_FALSE(linked.held());
    EXPECT_FALSE(linked.busy());
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
}

TEST_F(SecondInstance, WhileOneCopyRunsTheOthersRunsAreRefusedAndTouchNothing)
{
    makeDirs(runFolder);
    storeFolder(runFolder, source); // something to restore
    QProcess other;
    startOtherCopy(other);
    const std::string batchFile = AddBackslash(app.path()) + "temp.bat";
    const std::string jobBytes = readText(batchFile);

    // A backup here: one box, no run folder, nothing compressed.
    const std::vector<std::string> backupTargetBefore = runFolders();
    std::vector<std::string> log = backUp({ source });
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "Error:   Another backup or restore is running.");
    EXPECT_TRUE(log[1].starts_with("Summary: 0 folders stored, 0 failed")) << log[1];
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, AnotherRunText(app.path()));
    EXPECT_TRUE(boxes.shown()[0].text.starts_with("Error!\r\n\r\n"));
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_EQ(boxes.shown()[0].style, 16);
    EXPECT_EQ(runFolders(), backupTargetBefore);

    // A restore here: no date dialog, nothing restored.
    window = std::make_unique<frmUnBackup>(fields, app.path());
    ASSERT_TRUE(testsupport::runToEnd(*window));
    // Newest first: the summary, the box's text, then the run's own line.
    const std::vector<std::string> restoreLog = window->logLines();
    ASSERT_EQ(restoreLog.size(), 3u);
    EXPECT_TRUE(restoreLog[0].starts_with("Summary: 0 folders restored, 0 failed")) << restoreLog[0];
    EXPECT_TRUE(
        restoreLog[1].starts_with("Error: Another backup or restore is running with the program's folder "))
        << restoreLog[1];
    EXPECT_EQ(restoreLog[2], "Skipped...");
    EXPECT_TRUE(window->cmdDone()->isVisible());
    EXPECT_TRUE(window->lstBackup()->isEnabled());
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, AnotherRunText(app.path()));
    EXPECT_EQ(boxes.shown()[1].style, 16);
    EXPECT_TRUE(fs::is_empty(fields.unBackupTo));

    // The other copy's job files are as it left them.
    EXPECT_EQ(readText(batchFile), jobBytes);

    // Once let go, the other copy finishes its backup untroubled.
    writeText(gate + "/open", "");
    ASSERT_TRUE(other.waitForFinished(60000));
    EXPECT_EQ(other.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(other.exitCode(), 0) << "the other copy's backup failed";
    const std::string otherRun = testsupport::onlyRunFolder(otherTarget);
    ASSERT_FALSE(otherRun.empty());
    EXPECT_EQ(archiveEntries(otherRun + "/" + ArchiveName(source + "/")),
        (std::vector<std::string>{ "deleted later.txt", "kept.txt" }));

    // And now the folder is free: a backup here works.
    clock.setLocal(2026, 12, 5, 22, 0, 0);
    backUp({ source });
    EXPECT_EQ(boxes.shown().size(), 2u);
    const std::string later
        = AddBackslash(fields.to) + EncodePath(platform::formatDateText(clock.localNow()));
    EXPECT_EQ(readText(later + "/" + ArchiveName(source + "/") + ".dat"), "2");
}

TEST_F(SecondInstance, ACopyThatDiesTakesItsJobAlongAndLeavesTheFolderFree)
{
    QProcess other;
    startOtherCopy(other);
    other.kill();
    ASSERT_TRUE(other.waitForFinished(10000));

    // The dead copy's job died with it: let through the gate it waited at,
    // it makes no archive in the dead copy's run folder, nor anything in
    // the user's folder.
    writeText(gate + "/open", "");
    EXPECT_FALSE(waitForPath(AddBackslash(app.path()) + "wait.tmp", 1500)) << "the orphaned job went on";
    const std::string otherRun = testsupport::onlyRunFolder(otherTarget);
    ASSERT_FALSE(otherRun.empty());
    EXPECT_FALSE(fs::exists(otherRun + "/" + ArchiveName(source + "/")));
    // The run that died keeps its mark: no restore takes it for complete.
    EXPECT_FALSE(ReadRunState(otherRun).complete);
    EXPECT_EQ(testsupport::allNames(source), (std::vector<std::string>{ "deleted later.txt", "kept.txt" }));

    // A file deleted since then does not come back.
    fs::remove(source + "/deleted later.txt");
    backUp({ source });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(archiveEntries(runFolder + ArchiveName(source + "/")), std::vector<std::string>{ "kept.txt" });
    EXPECT_EQ(readText(runFolder + ArchiveName(source + "/") + ".dat"), "1");
    EXPECT_TRUE(ReadRunState(runFolder).complete);
    EXPECT_EQ(testsupport::allNames(source), std::vector<std::string>{ "kept.txt" });
}

// The other copy of the program, started by the tests above.
TEST(SecondInstanceHelper, DISABLED_BacksUp)
{
    const std::string app = helperSetting("QUORVEL_HELPER_APP");
    if (app.empty())
        GTEST_SKIP() << "runs only as another test's second copy";
    testsupport::ScriptedMessageBoxes boxes(platform::MsgAnswer::Ok);
    testsupport::FakeFields fields;
    fields.to = helperSetting("QUORVEL_HELPER_TARGET");
    fields.from = { helperSetting("QUORVEL_HELPER_SOURCE") };
    testsupport::LogHost host;
    BackupRun run(host, fields, app);
    run.run();
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
}

} // namespace
} // namespace testsupport
