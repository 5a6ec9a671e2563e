// A restore never ends looking good when it is not: damaged, cut short or
// unopenable archives, a full disk, links of every kind, runs that did not
// reach their end, odd entries in a run folder, damaged count files and a
// missing archiver, each driven through whole runs with the real archiver.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "backup/windows/frmBackup.h"
#include "pathutil/PathEncoding.h"
#include "platform/SymlinkTarget.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <QListWidget>

#include <sys/mount.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

bool holdsLine(const std::vector<std::string>& log, const std::string& part)
{
    return std::any_of(log.begin(), log.end(),
        [&part](const std::string& line) { return line.find(part) != std::string::npos; });
}

class RestoreTruth : public BackupRestoreFixture {
protected:
    // Stores `folder` in the test's run folder without compression (quick
    // for large files), with its count file.
    std::string storeUncompressed(const std::string& folder, const std::string& level = "-mx0")
    {
        const std::string archive = ArchiveName(folder + "/");
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            count += fs::is_directory(entry.symlink_status()) ? 0 : 1;
        EXPECT_TRUE(runArchiver(folder, { "a", "-t7z", level, "-snl", archive, "-i!*", "-x!*/" }));
        makeDirs(runFolder);
        fs::rename(folder + "/" + archive, runFolder + archive);
        writeText(runFolder + archive + ".dat", std::to_string(count));
        return archive;
    }

    // The one "Error!" box after the date question; the test fails without it.
    std::string onlyErrorBox() const
    {
        const auto shown = boxes.shownExcept("Continue?");
        std::vector<ShownBox> errors;
        std::copy_if(shown.begin(), shown.end(), std::back_inserter(errors),
            [](const ShownBox& box) { return box.title == "Error!"; });
        EXPECT_EQ(errors.size(), 1u);
        return errors.empty() ? std::string() : errors[0].text;
    }

    std::string source = dir / "src/Docs";
};

TEST_F(RestoreTruth, AFlippedByteIsReportedWithTheArchiversReason)
{
    makeDirs(source);
    writeText(source + "/big", randomBytes(400000, 1));
    writeText(source + "/note.txt", "note");
    const std::string archive = storeUncompressed(source);
    std::string bytes = readText(runFolder + archive);
    bytes[200000] = static_cast<char>(bytes[200000] ^ 0x10);
    writeText(runFolder + archive, bytes);

    const auto log = restore(date, { MsgAnswer::Ok, MsgAnswer::No });
    const std::string box = onlyErrorBox();
    EXPECT_TRUE(box.starts_with("Error!\r\n\r\nZZip not completed well...")) << box;
    EXPECT_NE(box.find("7z: ERROR: CRC Failed : big"), std::string::npos) << box;
    EXPECT_NE(
        box.find("Folder " + fields.unBackupTo + source + "/ not extracted completely."), std::string::npos)
        << box;
    EXPECT_TRUE(holdsLine(log, "Error: ZZip not completed well... CommandLine: zzip e \"" + archive + "\""));
    EXPECT_EQ(log.back(), "Summary: 0 folders restored, 1 failed, 0 changed, 0 skipped");
}

TEST_F(RestoreTruth, AKilledArchiverIsReportedThoughTheCountAgrees)
{
    makeDirs(source);
    writeText(source + "/large", randomBytes(48u << 20, 2));
    storeUncompressed(source);
    // The real archiver, killed as soon as it has begun to write the file.
    writeArchiverScript(app.path(),
        "\"$REAL\" \"$@\" & p=$!\nuntil [ -s large ] || ! kill -0 $p 2>/dev/null; do :; done\n"
        "kill -9 $p\nwait $p");

    const auto log = restore(date, { MsgAnswer::Ok, MsgAnswer::No });
    const std::string restored = fields.unBackupTo + source + "/large";
    ASSERT_TRUE(fs::exists(restored));
    EXPECT_LT(fs::file_size(restored), 48u << 20); // cut short, as the user would find it
    const std::string box = onlyErrorBox();
    EXPECT_NE(box.find("Expected number of files: 1\r\n"), std::string::npos) << box;
    EXPECT_NE(box.find("7z: The archiver was killed (signal 9) before it finished."), std::string::npos)
        << box;
    EXPECT_EQ(log.back(), "Summary: 0 folders restored, 1 failed, 0 changed, 0 skipped");
}

TEST_F(RestoreTruth, AFullRestoreDiskIsReported)
{
    makeDirs(source);
    // Small enough in the store to be copied out, too large once extracted.
    writeText(source + "/large", std::string(3u << 20, 'z'));
    storeUncompressed(source, "-mx1");
    if (::mount("tmpfs", fields.unBackupTo.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const auto log = restore(date, { MsgAnswer::Ok, MsgAnswer::No });
    const std::string box = onlyErrorBox();
    ::umount(fields.unBackupTo.c_str());
    EXPECT_TRUE(box.starts_with("Error!\r\n\r\nZZip not completed well...")) << box;
    EXPECT_NE(box.find("\r\n7z: "), std::string::npos) << box;
    EXPECT_EQ(log.back(), "Summary: 0 folders restored, 1 failed, 0 changed, 0 skipped");
}

TEST_F(RestoreTruth, OldFilesDoNotPassForAnArchiveThatCannotBeOpened)
{
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    writeText(source + "/b.txt", "b");
    const std::string archive = storeUncompressed(source);
    restore(date);
    ASSERT_TRUE(boxes.shownExcept("Continue?").empty());

    writeText(runFolder + archive, "this is no archive");
    const auto log = restore(date, { MsgAnswer::Ok, MsgAnswer::No });
    const std::string box = onlyErrorBox();
    EXPECT_NE(box.find("Extracted number of files: 0"), std::string::npos) << box;
    EXPECT_NE(box.find("7z: "), std::string::npos) << box;
    EXPECT_NE(box.find("open"), std::string::npos) << box;
    EXPECT_EQ(log.back(), "Summary: 0 folders restored, 1 failed, 0 changed, 0 skipped");
}

TEST_F(RestoreTruth, LinksComeBackByteForByte)
{
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    const std::map<std::string, std::string> links{ { "up", "../y" }, { "abs", "/etc/hostname" },
        { "rel", "a.txt" }, { "dangling", "/no/such/file here" }, { "deep", "../../x/./y/" } };
    for (const auto& [name, target] : links)
        fs::create_symlink(target, source + "/" + name);
    backUp({ source });
    restore(date);
    EXPECT_TRUE(boxes.shownExcept("Continue?").empty()) << boxes.shownExcept("Continue?")[0].text;
    for (const auto& [name, target] : links) {
        const auto restored = platform::symlinkTarget(fields.unBackupTo + source + "/" + name);
        ASSERT_TRUE(restored) << name;
        EXPECT_EQ(*restored, target) << name;
    }
    EXPECT_EQ(readText(fields.unBackupTo + source + "/a.txt"), "a");
}

TEST_F(RestoreTruth, AnIncompleteRunIsFlaggedAndItsMissingFoldersNamed)
{
    const std::string other = dir / "src/Other";
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    const std::string present = storeUncompressed(source);
    const std::string lacking = ArchiveName(other + "/");
    ASSERT_TRUE(MarkRunIncomplete(runFolder, { present, lacking }));

    std::string shownDate;
    boxes.queueAnswer(MsgAnswer::Yes);
    window = std::make_unique<frmUnBackup>(fields, appFolder);
    whenDateDialogOpens(window.get(), [&shownDate](frmUnBackupSelectDate& dialog) {
        shownDate = dialog.lstDate()->item(0)->text().toStdString();
        dialog.lstDate()->setCurrentRow(0);
        dialog.lstDate_DblClick();
    });
    ASSERT_TRUE(runToEnd(*window));
    EXPECT_EQ(shownDate, date + frmUnBackupSelectDate::outcomeFlag("incomplete"));
    EXPECT_EQ(window->restoreRun().SelectedDate, date);
    EXPECT_EQ(readText(fields.unBackupTo + source + "/a.txt"), "a");
    const std::string box = onlyErrorBox();
    EXPECT_TRUE(box.starts_with("Error!\r\n\r\nBackup run incomplete...")) << box;
    EXPECT_NE(box.find("lacks 1 folders:\r\n" + other), std::string::npos) << box;
    const auto log = window->logLines();
    EXPECT_EQ(log.front(), "Summary: 1 folders restored, 1 failed, 0 changed, 0 skipped");
}

TEST_F(RestoreTruth, EntriesThatCannotBeRestoredAreNamed)
{
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    storeUncompressed(source);
    const std::string orphanCount = runFolder + ArchiveName(dir / "src/Gone/") + ".dat";
    writeText(orphanCount, "3");
    const std::string dangling = runFolder + ArchiveName(dir / "src/Dangling/");
    fs::create_symlink(dir / "nowhere.7z", dangling);
    writeText(dangling + ".dat", "1");

    const auto log = restore(date);
    EXPECT_TRUE(holdsLine(log,
        "Error: Folder not restored: " + dir.path() + "/src/Gone/: its count file " + orphanCount
            + " has no archive beside it."));
    EXPECT_TRUE(holdsLine(log,
        "Error: Folder not restored: " + dir.path() + "/src/Dangling/: its archive " + dangling
            + " is not a plain file."));
    EXPECT_EQ(readText(fields.unBackupTo + source + "/a.txt"), "a");
    EXPECT_EQ(log.back(), "Summary: 1 folders restored, 2 failed, 0 changed, 0 skipped");

    // An empty run folder is named too.
    fs::remove_all(runFolder);
    makeDirs(runFolder);
    EXPECT_TRUE(holdsLine(restore(date), "Warning: The run folder "));
}

TEST_F(RestoreTruth, WithoutAnyRunABoxSaysWhereItLooked)
{
    window = std::make_unique<frmUnBackup>(fields, appFolder);
    ASSERT_TRUE(runToEnd(*window));
    const std::string box = onlyErrorBox();
    EXPECT_NE(box.find("No run folder of a backup was found in " + fields.to), std::string::npos) << box;
    EXPECT_EQ(window->logLines()[1], "Skipped...");
}

TEST_F(RestoreTruth, AHugeDamagedCountFileIsNotCheckedAtOnceInAShortBox)
{
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    const std::string archive = storeUncompressed(source);
    writeText(runFolder + archive + ".dat", std::string(2u << 20, '\n') + randomBytes(1000, 4));
    restore(date);
    const std::string box = onlyErrorBox();
    EXPECT_TRUE(box.starts_with("Error!\r\n\r\nNumber of files not checked...")) << box;
    EXPECT_LT(box.size(), 400u + runFolder.size() + fields.unBackupTo.size() + 2 * source.size()) << box;
    // The defined lines, then the folder the archive holds.
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 7) << box;
    EXPECT_NE(box.find("\r\nFolder: " + source), std::string::npos) << box;
}

TEST_F(RestoreTruth, AMissingArchiverIsOneBoxAndNoRunFolder)
{
    std::vector<std::string> sources;
    for (int i = 0; i < 5; ++i) {
        sources.push_back(dir / ("src/f" + std::to_string(i)));
        makeDirs(sources.back());
        writeText(sources.back() + "/x", "x");
    }
    fs::remove(app.path() + "/7z");
    const auto log = backUp(sources);
    std::string box = onlyErrorBox();
    EXPECT_NE(box.find("sudo apt install 7zip"), std::string::npos) << box;
    EXPECT_TRUE(runFolders().empty());
    EXPECT_EQ(log.back(), "Summary: 0 folders stored, 0 failed, 0 changed, 0 skipped");
    EXPECT_TRUE(log.front().starts_with("Error: 7z missing... The archiver ")) << log.front();

    // A restore likewise, before it offers any date.
    makeRunFolder(fields.to, date);
    window = std::make_unique<frmUnBackup>(fields, appFolder);
    ASSERT_TRUE(runToEnd(*window));
    const auto shown = boxes.shownExcept("Continue?");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, shown[0].text);
}

TEST_F(RestoreTruth, EveryRunEndsWithItsSummary)
{
    makeDirs(source);
    writeText(source + "/a.txt", "a");
    const auto log = backUp({ source });
    EXPECT_EQ(log.back(), "Summary: 1 folders stored, 0 failed, 0 changed, 0 skipped");
    EXPECT_EQ(restore(date).back(), "Summary: 1 folders restored, 0 failed, 0 changed, 0 skipped");
}

} // namespace
} // namespace testsupport
