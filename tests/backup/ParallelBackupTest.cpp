// Backups that keep several archiver jobs going: every folder stored whole
// whatever order the jobs end in, a stop that ends them all, a box that
// holds back new jobs only, and a bar that moves inside a large folder.
#include "backup/windows/frmBackup.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/Archiver.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

std::ptrdiff_t lineAt(const std::vector<std::string>& log, const std::string& line)
{
    const auto found = std::find(log.begin(), log.end(), line);
    return found == log.end() ? -1 : found - log.begin();
}

// The names in the application folder that belong to a job slot other
// than the first, or to the archiver's progress: none may outlive a run.
std::vector<std::string> slotFilesLeft(const std::string& appFolder)
{
    std::vector<std::string> left;
    for (const std::string& name : allNames(appFolder)) {
        const bool numbered = std::count(name.begin(), name.end(), '.') == 2;
        if (numbered || name.find("progress") != std::string::npos)
            left.push_back(name);
    }
    return left;
}

// The archives in a run folder that are not whole.
std::vector<std::string> partialArchives(const std::string& runFolder)
{
    std::vector<std::string> partial;
    for (const std::string& name : allNames(runFolder)) {
        if (name.ends_with(".7z") && !IsCompleteArchive(AddBackslash(runFolder) + name))
            partial.push_back(name);
    }
    return partial;
}

class ParallelBackup : public BackupRestoreFixture {
protected:
    ParallelBackup() { fields.jobCount = 3; }

    // A tree whose folders take very different times: two with large
    // random files, many small ones, some levels deep.
    std::map<std::string, std::string> makeUnevenTree(const std::string& root)
    {
        makeDirs(root + "/big");
        writeRandomFile(root + "/big/one.bin", 24);
        makeDirs(root + "/mid/deeper");
        writeRandomFile(root + "/mid/two.bin", 6);
        writeText(root + "/mid/deeper/note.txt", "deep");
        for (int i = 0; i < 12; ++i) {
            const std::string folder = root + "/small" + std::to_string(i);
            makeDirs(folder + "/inner");
            writeText(folder + "/a.txt", "a" + std::to_string(i));
            writeText(folder + "/inner/b.txt", "b" + std::to_string(i));
        }
        writeText(root + "/top.txt", "top");
        return filesOfTree(root);
    }
};

TEST_F(ParallelBackup, AnUnevenTreeIsStoredAndRestoredWholeWithEveryFoldersLinesInOrder)
{
    const std::string source = dir / "source";
    const std::map<std::string, std::string> expected = makeUnevenTree(source);
    const std::vector<std::string> log = backUp({ source });
    ASSERT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;

    // Every folder has its Start line, then its End line, another folder's
    // lines coming between them as the jobs end.
    std::vector<std::string> folders = pathsBelow(source, [](const std::string&) { return true; });
    std::erase_if(folders, [](const std::string& path) { return !fs::is_directory(path); });
    folders.push_back(source);
    ASSERT_EQ(folders.size(), 28u);
    for (const std::string& folder : folders) {
        const auto start = lineAt(log, "Start:   Copy " + AddBackslash(folder));
        const auto end = lineAt(log, "End:     Copy " + AddBackslash(folder));
        EXPECT_GE(start, 0) << folder;
        EXPECT_GT(end, start) << folder;
    }
    const std::string run = runFolders().back();
    EXPECT_TRUE(ReadRunState(run).complete);
    EXPECT_TRUE(partialArchives(run).empty());
    EXPECT_TRUE(slotFilesLeft(app.path()).empty()) << slotFilesLeft(app.path())[0];

    date = platform::formatDateText(clock.localNow());
    fields.unBackupTo = dir / "restored";
    makeDirs(fields.unBackupTo);
    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    expectRestoredExactly(fields.unBackupTo, expected);
    EXPECT_EQ(window->restoreRun().summary().done, 28);
    EXPECT_TRUE(slotFilesLeft(app.path()).empty()) << slotFilesLeft(app.path())[0];
}

TEST_F(ParallelBackup, AStopWithThreeJobsRunningLeavesNoPartialArchive)
{
    const std::string source = dir / "source";
    for (const char* name : { "one", "two", "three" }) {
        makeDirs(source + "/" + name);
        writeRandomFile(source + "/" + name + "/blob.bin", 60);
    }
    boxes.answerAlways(ProgressWindow::kStopTitle, platform::MsgAnswer::Yes);
    fields.from = { source };
    frmBackup window(fields, app.path());
    // Once all three large folders' archives are being written, the user
    // closes the window.
    QTimer look;
    bool closed = false;
    QObject::connect(&look, &QTimer::timeout, [&] {
        const std::string run = window.backupRun().RunFolder;
        if (closed || run.empty())
            return;
        int begun = 0;
        for (const char* name : { "one", "two", "three" })
            begun += platform::fileExists(run + "/" + ArchiveName(source + "/" + name + "/")) ? 1 : 0;
        if (begun == 3) {
            closed = true;
            EXPECT_EQ(partialArchives(run).size(), 3u);
            window.close();
        }
    });
    look.start(10);
    ASSERT_TRUE(runToEnd(window, 240000));
    ASSERT_TRUE(closed);

    const std::string run = window.backupRun().RunFolder;
    EXPECT_TRUE(window.backupRun().summary().stopped);
    EXPECT_TRUE(partialArchives(run).empty()) << partialArchives(run)[0];
    for (const char* name : { "one", "two", "three" })
        EXPECT_FALSE(platform::fileExists(run + "/" + ArchiveName(source + "/" + name + "/"))) << name;
    EXPECT_FALSE(ReadRunState(run).complete);
    EXPECT_TRUE(slotFilesLeft(app.path()).empty()) << slotFilesLeft(app.path())[0];
    window.cmdDone_Click();
}

TEST_F(ParallelBackup, ABoxOfOneFolderHoldsBackNewJobsButNotTheRunningOnes)
{
    const std::string source = dir / "source";
    makeDirs(source + "/a-big");
    writeRandomFile(source + "/a-big/blob.bin", 40);
    for (int i = 0; i < 8; ++i)
        folderWithFiles(source, "b-small" + std::to_string(i));
    const std::string gone = folderWithFiles(source, "z-gone");
    fields.from = { source };
    frmBackup window(fields, app.path());
    const std::string big = source + "/a-big/";
    // The last folder goes while the large one is compressed: it fails
    // with a box of its own when its turn comes.
    whenArchiveBegins(window, big, [&] { removeTree(gone); });

    int open = 0;
    int mostOpen = 0;
    bool bigRanMeanwhile = false;
    const platform::MessageBoxHandler scripted = platform::setMessageBoxHandler({});
    platform::setMessageBoxHandler([&](const std::string& text, const std::string& title, int style) {
        mostOpen = std::max(mostOpen, ++open);
        const std::string archive = window.backupRun().RunFolder + "/" + ArchiveName(big);
        const bool writing = platform::fileExists(archive) && !IsCompleteArchive(archive);
        // While the box is up, the large folder's job goes on.
        for (int i = 0; i < 100 && writing && !bigRanMeanwhile; ++i) {
            const auto before = fs::file_size(archive);
            QTest::qWait(50);
            bigRanMeanwhile = IsCompleteArchive(archive) || fs::file_size(archive) > before;
        }
        const platform::MsgAnswer answer = scripted(text, title, style);
        --open;
        return answer;
    });
    ASSERT_TRUE(runToEnd(window, 240000));
    platform::setMessageBoxHandler(scripted);

    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("7z not executed...For Directory: "), std::string::npos);
    EXPECT_NE(boxes.shown()[0].text.find(gone), std::string::npos);
    EXPECT_EQ(mostOpen, 1);
    EXPECT_TRUE(bigRanMeanwhile);
    const std::string run = window.backupRun().RunFolder;
    EXPECT_TRUE(IsCompleteArchive(run + "/" + ArchiveName(big)));
    EXPECT_EQ(window.backupRun().summary().done, 10);
    EXPECT_EQ(window.backupRun().summary().failed, 1);
    window.cmdDone_Click();
}

// What the window showed while its only folder was compressed.
struct ShownInside {
    int mostBar = 0;
    bool timeLeft = false;
};

ShownInside watchOneFolder(frmBackup& window)
{
    ShownInside shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (window.lblProgress()->text() != "Folders: 0 of 1")
            return;
        shown.mostBar = std::max(shown.mostBar, window.barProgress()->value());
        shown.timeLeft = shown.timeLeft || window.lblTime()->text().endsWith(" left");
    });
    look.start(20);
    EXPECT_TRUE(runToEnd(window, 240000));
    return shown;
}

TEST_F(ParallelBackup, TheBarAndTheTimeLeftMoveInsideOneLargeFolder)
{
    // An archiver that tells its progress slowly, then does the work.
    const std::string slow = app.path() + "/7z";
    fs::remove(slow);
    writeText(slow,
        "#!/bin/sh\n"
        "for p in 10 20 30 40 50 60 70 80 90; do printf '%3d%%\\b\\b\\b\\b' $p >&2; sleep 0.7; done\n"
        "exec '"
            + archiverPath() + "' \"$@\"\n");
    fs::permissions(slow, fs::perms::owner_all);
    const std::string source = dir / "source";
    makeDirs(source);
    writeRandomFile(source + "/large.bin", 2);
    fields.from = { source };
    frmBackup window(fields, app.path());
    const ShownInside shown = watchOneFolder(window);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_GE(shown.mostBar, window.barProgress()->maximum() * 4 / 10);
    EXPECT_TRUE(shown.timeLeft);
    EXPECT_EQ(window.barProgress()->value(), window.barProgress()->maximum());
    window.cmdDone_Click();
}

TEST_F(ParallelBackup, WithOneJobTheBarAndTheTimeLeftFollowWhatTheArchiverHasRead)
{
    // The line of a run of one job asks the archiver for no progress: an
    // archiver that reads most of the folder's file slowly, then does the work.
    writeArchiverScript(app.path(),
        "for n in 0 1 2 3 4 5 6 7 8; do dd if=large.bin bs=200000 skip=$n count=1 of=/dev/null 2> /dev/null; "
        "sleep 0.7; done\nexec \"$REAL\" \"$@\"");
    const std::string source = dir / "source";
    makeDirs(source);
    writeRandomFile(source + "/large.bin", 2);
    fields.jobCount = 1;
    fields.from = { source };
    frmBackup window(fields, app.path());
    const ShownInside shown = watchOneFolder(window);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_GE(shown.mostBar, window.barProgress()->maximum() * 4 / 10);
    EXPECT_TRUE(shown.timeLeft);
    EXPECT_EQ(window.barProgress()->value(), window.barProgress()->maximum());
    window.cmdDone_Click();
}

TEST_F(ParallelBackup, TheBarMovesWhileTheRealArchiverWorksOnFiftyMegabytes)
{
    const std::string source = dir / "source";
    makeDirs(source);
    writeRandomFile(source + "/large.bin", 50);
    fields.from = { source };
    fields.full = true; // the second run packs the folder again
    // Both ways of following the archiver: its own word, and what it has read.
    for (const int jobs : { 2, 1 }) {
        SCOPED_TRACE(jobs);
        fields.jobCount = jobs;
        clock.setLocal(2026, 12, 8, 9, 0, jobs); // each run a folder of its own
        frmBackup window(fields, app.path());
        const ShownInside shown = watchOneFolder(window);
        EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
        EXPECT_GT(shown.mostBar, 0);
        EXPECT_TRUE(ReadRunState(window.backupRun().RunFolder).complete);
        window.cmdDone_Click();
    }
}

} // namespace
} // namespace testsupport
