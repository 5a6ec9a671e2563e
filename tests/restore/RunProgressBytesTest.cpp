// What a backup and a restore report of their progress: every folder with
// the bytes its archive has to read, from the first report (none done) to
// the last (all done), on real folders and the real archiver.
#include "backup/BackupRun.h"
#include "platform/FileOps.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "tests/support/FakeFields.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace testsupport {
namespace {

// A host that keeps every progress report.
class ProgressHost : public LogHost {
public:
    void progress(const RunProgress& progress) override { reports.push_back(progress); }
    std::vector<RunProgress> reports;
};

// Chooses the newest run, as a user would in the date dialog.
class NewestRun : public RestoreChoices {
public:
    std::string chooseDate(const std::vector<std::string>& dates, const std::vector<bool>&) override
    {
        return dates.empty() ? std::string() : dates.back();
    }
    void openTextFile(const std::string&) override { }
};

bool same(const RunProgress& a, const RunProgress& b)
{
    return a.foldersDone == b.foldersDone && a.foldersTotal == b.foldersTotal && a.bytesDone == b.bytesDone
        && a.bytesTotal == b.bytesTotal;
}

// Each report has one folder more done than the one before, and no more
// bytes done than in all.
void expectOneFolderAtATime(const std::vector<RunProgress>& reports)
{
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].foldersDone, i) << "report " << i;
        EXPECT_LE(reports[i].bytesDone, reports[i].bytesTotal) << "report " << i;
        if (i > 0) {
            EXPECT_GE(reports[i].bytesDone, reports[i - 1].bytesDone) << "report " << i;
        }
    }
}

class RunProgressBytes : public ::testing::Test {
protected:
    RunProgressBytes()
    {
        // The archive of `source` reads a.txt and the hidden file; the link
        // and the subfolders are not its files. The hidden folder is no part
        // of the backup at all.
        makeDirs(source + "/empty");
        makeDirs(source + "/sub/.config");
        makeDirs(dir / "target");
        makeDirs(dir / "restored");
        writeText(source + "/a.txt", std::string(1000, 'a'));
        writeText(source + "/.hidden", std::string(300, 'h'));
        std::filesystem::create_symlink("a.txt", source + "/link");
        writeText(source + "/sub/b.bin", std::string(5000, 'b'));
        writeText(source + "/sub/.config/c", std::string(700, 'c'));
        fields.to = dir / "target";
        fields.unBackupTo = dir / "restored";
        fields.from = { source };
    }

    ScopedAppFolder app;
    TempDir dir;
    std::string source = dir / "source";
    FakeFields fields;
    ScriptedMessageBoxes boxes;
};

TEST_F(RunProgressBytes, BackupReportsEachFolderWithTheBytesOfItsOwnFiles)
{
    ProgressHost host;
    BackupRun run(host, fields, app.path());
    run.run();
    ASSERT_EQ(run.summary().done, 3) << run.summary().failed;
    ASSERT_EQ(host.reports.size(), 4u);
    expectOneFolderAtATime(host.reports);
    EXPECT_TRUE(same(host.reports.front(), { 0, 3, 0, 6300 }));
    // The folders go in name order: the source itself, then empty/, then sub/.
    EXPECT_EQ(host.reports[1].bytesDone, 1300u);
    EXPECT_EQ(host.reports[2].bytesDone, 1300u);
    EXPECT_TRUE(same(host.reports.back(), { 3, 3, 6300, 6300 }));
}

TEST_F(RunProgressBytes, RestoreReportsEachArchiveWithItsSizeOnDisk)
{
    LogHost backupHost;
    BackupRun backup(backupHost, fields, app.path());
    backup.run();
    ASSERT_EQ(backup.summary().done, 3);
    std::uint64_t archiveBytes = 0;
    for (const std::string& archive : archivesBelow(backup.RunFolder))
        archiveBytes += *platform::fileSize(archive);
    ASSERT_GT(archiveBytes, 0u);

    boxes.answerAlways("Continue?", platform::MsgAnswer::Yes);
    ProgressHost host;
    NewestRun choices;
    RestoreRun restore(host, choices, fields, app.path());
    restore.run();
    ASSERT_EQ(restore.summary().done, 3) << restore.summary().failed;
    ASSERT_EQ(host.reports.size(), 4u);
    expectOneFolderAtATime(host.reports);
    EXPECT_TRUE(same(host.reports.front(), { 0, 3, 0, archiveBytes }));
    EXPECT_TRUE(same(host.reports.back(), { 3, 3, archiveBytes, archiveBytes }));
}

// Puts an archiver into the program's folder that goes slowly through a
// large archive before the real one extracts it: with `percentOnStderr` it
// says how far it is as the archiver does when asked (runs of several jobs),
// without it it only reads (a run of one job asks for nothing). Small
// archives go straight to the real archiver.
void slowArchiverForLargeArchives(const std::string& appFolder, bool percentOnStderr)
{
    writeArchiverScript(appFolder,
        std::string("for a; do last=$a; done\n"
                    "size=$(stat -c %s \"$last\")\n"
                    "if [ \"$size\" -gt 1000000 ]; then\n")
            + (percentOnStderr ? "  printf ' 90%%\\b\\b\\b\\b' >&2\n"
                               : "  head -c $((size * 9 / 10)) \"$last\" > /dev/null\n")
            + "  sleep 1.5\nfi\nexec \"$REAL\" \"$@\"\n");
}

TEST_F(RunProgressBytes, ARestoreReportsTheBytesUnderWayInsideALargeArchive)
{
    writeRandomFile(source + "/large.bin", 3);
    LogHost backupHost;
    BackupRun backup(backupHost, fields, app.path());
    backup.run();
    ASSERT_EQ(backup.summary().done, 3);
    boxes.answerAlways("Continue?", platform::MsgAnswer::Yes);
    for (const bool oneJob : { true, false }) {
        SCOPED_TRACE(oneJob ? "one job" : "two jobs");
        fields.jobCount = oneJob ? 1 : 2;
        slowArchiverForLargeArchives(app.path(), !oneJob);
        std::filesystem::remove_all(dir / "restored");
        makeDirs(dir / "restored");
        ProgressHost host;
        NewestRun choices;
        RestoreRun restore(host, choices, fields, app.path());
        restore.run();
        ASSERT_EQ(restore.summary().done, 3) << restore.summary().failed;
        // Between the reports of whole archives: one with most of the large
        // archive's bytes under way and none of it done.
        std::uint64_t large = 0;
        for (const std::string& archive : archivesBelow(backup.RunFolder))
            large = std::max(large, *platform::fileSize(archive));
        const auto inside = std::find_if(host.reports.begin(), host.reports.end(),
            [&](const RunProgress& report) { return report.bytesUnderWay >= large * 8 / 10; });
        ASSERT_NE(inside, host.reports.end());
        EXPECT_LT(inside->foldersDone, 3u);
        EXPECT_EQ(host.reports.back().bytesUnderWay, 0u);
        const std::string back = dir / "restored" + source;
        EXPECT_EQ(readText(back + "/large.bin"), readText(source + "/large.bin"));
        EXPECT_EQ(readText(back + "/sub/b.bin"), readText(source + "/sub/b.bin"));
    }
}

// A folder is counted once, whoever reports it: a folder taken over without
// the archiver and then reported again, or one the run never planned, leaves
// the counts as they are.
TEST(ProgressCounter, CountsEachPlannedFolderOnceWithItsBytes)
{
    ProgressCounter counter;
    counter.setBytes("/a/", 100);
    counter.setBytes("/b/", 50);
    counter.setBytes("/gone/", 7);
    EXPECT_TRUE(same(counter.begin({ "/a/", "/b/", "/c/" }), { 0, 3, 0, 150 }));
    EXPECT_TRUE(same(counter.done("/b/"), { 1, 3, 50, 150 }));
    EXPECT_TRUE(same(counter.done("/b/"), { 1, 3, 50, 150 }));
    EXPECT_TRUE(same(counter.done("/gone/"), { 1, 3, 50, 150 }));
    EXPECT_TRUE(same(counter.done("/c/"), { 2, 3, 50, 150 }));
    EXPECT_TRUE(same(counter.done("/a/"), { 3, 3, 150, 150 }));
    // A new beginning starts from none done.
    EXPECT_TRUE(same(counter.begin({ "/a/" }), { 0, 1, 0, 100 }));
}

} // namespace
} // namespace testsupport
