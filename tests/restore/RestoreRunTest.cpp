// Whole restore runs: the log of each outcome, the closing steps, and a
// generated tree that goes through a backup store and comes back unchanged.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "restore/windows/frmUnBackupSelectDate.h"

#include <QListView>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

const std::vector<std::string> kUpToSelect{ "Starting UnBackup...", "Start:   Find Dates...",
    "End:     Find Dates...", "Start:   Select Date..." };

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class RestoreRun : public RestoreFixture {
protected:
    std::string temporaryBatchFile() const { return AddBackslash(app.path()) + "temp.bat"; }

    void expectClosable()
    {
        EXPECT_TRUE(window->cmdDone()->isVisible());
        EXPECT_TRUE(window->lstBackup()->isEnabled());
        EXPECT_FALSE(fs::exists(temporaryBatchFile()));
    }
};

TEST_F(RestoreRun, WithoutRunFoldersTheDialogIsNotShownAndTheRunIsSkipped)
{
    makeDirs(fields.to + "/Documents");
    writeText(temporaryBatchFile(), "left over by an earlier run");
    window = std::make_unique<frmUnBackup>(fields, app.path());
    bool dialogSeen = false;
    whenDateDialogOpens(window.get(), [&dialogSeen](frmUnBackupSelectDate& d) {
        dialogSeen = true;
        d.cmdCancel_Click();
    });
    EXPECT_FALSE(window->cmdDone()->isVisible());
    // The log can be scrolled while the run goes.
    EXPECT_TRUE(window->lstBackup()->isEnabled());
    ASSERT_TRUE(runToEnd(*window));
    std::vector<std::string> log = withoutRunReport(window->logLines());
    std::reverse(log.begin(), log.end());
    EXPECT_EQ(log, (kUpToSelect + std::vector<std::string>{ "Skipped..." }));
    EXPECT_TRUE(window->restoreRun().DateList.empty());
    EXPECT_EQ(window->restoreRun().SelectedDate, "");
    expectClosable();
    EXPECT_FALSE(dialogSeen);
    // One box says where no run was found.
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(fields.to), std::string::npos);
}

TEST_F(RestoreRun, CancelInTheDateDialogSkipsTheRestore)
{
    makeDirs(runFolder);
    storeFolder(runFolder, dir / "backups"); // an archive that must not be touched
    writeText(temporaryBatchFile(), "old");
    EXPECT_EQ(withoutRunReport(restore("")),
        (kUpToSelect + std::vector<std::string>{ "End:     Select Date...", "Skipped..." }));
    EXPECT_EQ(window->restoreRun().DateList, std::vector<std::string>{ date });
    EXPECT_EQ(window->restoreRun().SelectedDate, "");
    EXPECT_TRUE(fs::is_empty(fields.unBackupTo));
    expectClosable();
}

TEST_F(RestoreRun, ARunFolderWithoutArchivesRestoresNothing)
{
    makeDirs(runFolder);
    writeText(runFolder + "readme.txt", "not an archive");
    EXPECT_EQ(withoutRunReport(restore(date)),
        (kUpToSelect
            + std::vector<std::string>{ "End:     Select Date...", "Start:   Find compressed folders...",
                "End:     Find compressed folders...", "Start:   Copy Folders and uncompress...",
                "End:     Copy Folders and uncompress..." }));
    EXPECT_EQ(window->restoreRun().SelectedDate, date);
    EXPECT_TRUE(window->restoreRun().ArchiveList.empty());
    EXPECT_TRUE(fs::is_empty(fields.unBackupTo));
    expectClosable();
}

TEST_F(RestoreRun, TwoArchivesAreExtractedInListingOrder)
{
    const std::string first = dir / "src/first";
    const std::string second = dir / "src/second one";
    makeDirs(first);
    makeDirs(second);
    writeText(first + "/a.txt", "alpha");
    writeText(second + "/b.txt", "beta");
    writeText(second + "/c.bin", std::string("\0\1\2\xff", 4));
    makeDirs(runFolder);
    storeFolder(runFolder, first);
    storeFolder(runFolder, second);

    const std::string target = fields.unBackupTo;
    EXPECT_EQ(withoutRunReport(restore(date)),
        (kUpToSelect
            + std::vector<std::string>{ "End:     Select Date...", "Start:   Find compressed folders...",
                "End:     Find compressed folders...", "Found:   2 compressed folders...",
                "Start:   Copy Folders and uncompress...", "Start:   Decompress " + first,
                "End:     Decompress " + first, "Start:   Decompress " + second,
                "End:     Decompress " + second, "End:     Copy Folders and uncompress..." }));
    EXPECT_EQ(window->restoreRun().ArchiveList,
        (std::vector<std::string>{ EncodePath(first + "/") + ".7z", EncodePath(second + "/") + ".7z" }));
    EXPECT_EQ(allFilesBelow(target),
        (std::map<std::string, std::string>{ { (first + "/a.txt").substr(1), "alpha" },
            { (second + "/b.txt").substr(1), "beta" },
            { (second + "/c.bin").substr(1), std::string("\0\1\2\xff", 4) } }));
    EXPECT_TRUE(shownAfterQuestion().empty());
    expectClosable();
}

TEST_F(RestoreRun, AnUnlistableBackupTargetEndsTheRunClosably)
{
    fields.to = dir / "no such target";
    window = std::make_unique<frmUnBackup>(fields, app.path());
    ASSERT_TRUE(runToEnd(*window));
    std::vector<std::string> log = withoutRunReport(window->logLines());
    std::reverse(log.begin(), log.end());
    EXPECT_EQ(
        log, (std::vector<std::string>{ "Starting UnBackup...", "Start:   Find Dates...", "Skipped..." }));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_EQ(boxes.shown()[0].style, 16);
    EXPECT_TRUE(boxes.shown()[0].text.starts_with("Error!\r\n\r\n"));
    EXPECT_NE(boxes.shown()[0].text.find(fields.to), std::string::npos);
    expectClosable();
}

TEST_F(RestoreRun, AJobThatCannotBeWrittenEndsTheRunClosably)
{
    const std::string source = dir / "src";
    makeDirs(source);
    writeText(source + "/f", "x");
    makeDirs(runFolder);
    storeFolder(runFolder, source);
    // The batch file cannot be written where a folder of its name stands.
    makeDirs(appFolder + "/temp.bat");
    const std::vector<std::string> log = withoutRunReport(restore(date));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Start:   Decompress " + source);
    EXPECT_EQ(log.back(), "Skipped...");
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Error!");
    EXPECT_EQ(shown[0].style, 16);
    EXPECT_TRUE(shown[0].text.starts_with("Error!\r\n\r\n"));
    EXPECT_NE(shown[0].text.find("temp.bat"), std::string::npos);
    EXPECT_TRUE(window->cmdDone()->isVisible());
    EXPECT_TRUE(window->lstBackup()->isEnabled());
}

TEST_F(RestoreRun, DoneHidesTheWindow)
{
    window = std::make_unique<frmUnBackup>(fields, app.path());
    ASSERT_TRUE(runToEnd(*window));
    QTest::mouseClick(window->cmdDone(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(RestoreRun, ABackedUpTreeComesBackUnchanged)
{
    const std::string sources = dir / "sources";
    makeDirs(runFolder);
    for (const std::string& source : makeSampleTree(sources))
        storeTree(runFolder, source);
    const std::map<std::string, std::string> expected = filesOfTree(sources);

    const std::vector<std::string> log = withoutRunReport(restore(date));
    EXPECT_EQ(log.back(), "End:     Copy Folders and uncompress...");
    EXPECT_TRUE(shownAfterQuestion().empty());

    expectRestoredExactly(fields.unBackupTo, expected);
    EXPECT_FALSE(fs::exists(fields.unBackupTo + sources + "/Alpha one/.hidden folder"));
    EXPECT_TRUE(fs::is_directory(fields.unBackupTo + sources + "/Alpha one/empty folder"));
    EXPECT_EQ(window->restoreRun().ArchiveList.size(), 7u);
}

} // namespace
} // namespace testsupport
