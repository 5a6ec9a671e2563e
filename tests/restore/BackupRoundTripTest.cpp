// A tree backed up by the backup window and restored by the restore window.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "backup/windows/frmBackup.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class BackupRoundTrip : public RestoreFixture {
protected:
    // Runs the backup window over the sources, as "Backup!" does, and closes it.
    void backUp(const std::vector<std::string>& sources)
    {
        fields.from.clear();
        for (const std::string& source : sources)
            fields.from.push_back(AddBackslash(source));
        frmBackup backup(fields, app.path());
        ASSERT_TRUE(runToEnd(backup, 240000));
        QTest::mouseClick(backup.cmdDone(), Qt::LeftButton);
    }

    testsupport::TestClock clock;
};

TEST_F(BackupRoundTrip, ATreeBackedUpAndRestoredIsTheSame)
{
    const std::string sources = dir / "sources";
    const std::vector<std::string> folders = makeSampleTree(sources);
    const std::map<std::string, std::string> expected = filesOfTree(sources);
    ASSERT_EQ(expected.size(), 8u);
    backUp(folders);
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    const std::string backedUp = platform::formatDateText(clock.localNow());
    ASSERT_TRUE(fs::is_directory(AddBackslash(fields.to) + EncodePath(backedUp)));

    const std::vector<std::string> log = withoutRunReport(restore(backedUp));
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    expectRestoredExactly(fields.unBackupTo, expected);
}

TEST_F(BackupRoundTrip, TheChosenOfSeveralRunsIsRestored)
{
    const std::string source = dir / "work";
    makeDirs(source);
    writeText(source + "/state.txt", "first");
    backUp({ source });
    const std::string first = platform::formatDateText(clock.localNow());
    clock.setLocal(2026, 12, 6, 0, 0, 0); // exactly midnight: the date alone
    writeText(source + "/state.txt", "second");
    writeText(source + "/added.txt", "new");
    backUp({ source });
    const std::string second = platform::formatDateText(clock.localNow());
    ASSERT_NE(first, second);

    restore(first);
    EXPECT_EQ(window->restoreRun().DateList, (std::vector<std::string>{ second, first })); // newest first
    expectRestoredExactly(fields.unBackupTo, { { source + "/state.txt", "first" } });
    EXPECT_TRUE(shownAfterQuestion().empty());
}

} // namespace
} // namespace testsupport
