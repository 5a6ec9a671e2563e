// What a backup takes from the sources and what it leaves alone: it reads the
// user's folders and never writes into them, so folders the user may only
// read back up too; a folder it cannot read, the store itself and hidden
// folders cost only themselves, each named in the log; overlapping sources
// are stored once.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Lines = std::vector<std::string>;

bool contains(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t countStarting(const Lines& lines, const std::string& start)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(start); }));
}

class Sources : public BackupRestoreFixture {
protected:
    Sources() { makeDirs(sources); }

    std::string folderWithFiles(const std::string& name)
    {
        return testsupport::folderWithFiles(sources, name);
    }

    // A whole backup without a window; returns the log, oldest line first,
    // and keeps the run's summary.
    Lines backUpQuietly(const Lines& folders, const std::function<void(const std::string&)>& onLine = {})
    {
        fields.from = folders;
        QuietBackup done = backUpWithoutWindow(fields, app.path(), [&](BackupRun&, const std::string& line) {
            if (onLine)
                onLine(line);
        });
        summary = done.summary;
        return done.log;
    }

    std::string stored(const std::string& folder) const { return runFolder + ArchiveName(folder); }

    std::string sources = dir / "src";
    RunSummary summary;
};

TEST_F(Sources, AFolderTheUserMayOnlyReadIsBackedUpAndRestoredByteForByte)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::vector<std::string> roots = makeSampleTree(sources);
    const auto expected = filesOfTree(sources);
    const auto before = allFilesBelow(sources);
    // Every folder of the tree readable, none writable.
    for (const std::string& folder : pathsBelow(sources, [](const std::string&) { return true; })) {
        if (fs::is_directory(fs::symlink_status(folder)))
            fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    }
    fs::permissions(sources, fs::perms::owner_write, fs::perm_options::remove);

    backUp({ sources });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(allFilesBelow(sources), before);
    EXPECT_TRUE(ReadRunState(runFolder).complete);

    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    expectRestoredExactly(fields.unBackupTo, expected);
    for (const std::string& folder : pathsBelow(sources, [](const std::string&) { return true; })) {
        if (fs::is_directory(fs::symlink_status(folder)))
            fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
    }
    fs::permissions(sources, fs::perms::owner_write, fs::perm_options::add);
    (void)roots;
}

TEST_F(Sources, UserFilesNamedLikeTheArchiveAreTheUsersOwn)
{
    const std::string folder = folderWithFiles("data");
    writeText(folder + ArchiveName(folder), "the user's own file");
    writeText(folder + ArchiveName(folder) + ".dat", "and another");
    const auto before = allFilesBelow(sources);

    backUpQuietly({ folder });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(allFilesBelow(sources), before);
    EXPECT_EQ(archiveEntries(stored(folder)),
        (Lines{ ArchiveName(folder), ArchiveName(folder) + ".dat", "a.txt", "b.txt" }));
    EXPECT_EQ(readText(stored(folder) + ".dat"), "4");
    EXPECT_EQ(summary.done, 1);
}

TEST_F(Sources, TheArchiveGrowsInTheRunFolderNeverInTheUsersFolder)
{
    const std::string folder = folderWithFiles("data");
    // The archiver notes what its working folder holds while it writes.
    writeArchiverScript(app.path(),
        "\"$REAL\" \"$@\" >/dev/null 2>&1; status=$?\n"
        "ls -A > \""
            + app.path()
            + "/seen.txt\"\n"
              "exit $status");

    backUpQuietly({ folder });
    EXPECT_EQ(readText(app.path() + "/seen.txt"), "a.txt\nb.txt\n");
    EXPECT_EQ(archiveEntries(stored(folder)), (Lines{ "a.txt", "b.txt" }));
    EXPECT_TRUE(archivesBelow(sources).empty());
}

TEST_F(Sources, ARunCutShortKeepsItsMarkerWithThePlannedArchives)
{
    const std::string one = folderWithFiles("one");
    const std::string two = folderWithFiles("two");
    // The count file of the second folder cannot be written: the run ends there.
    const Lines log = backUpQuietly({ one, two }, [&](const std::string& line) {
        if (line == "Start:   Copy " + two)
            makeDirs(runFolder + ArchiveName(two) + ".dat");
    });
    EXPECT_FALSE(contains(log, "End:     Copy Folders and compress..."));
    const RunState state = ReadRunState(runFolder);
    EXPECT_FALSE(state.complete);
    EXPECT_EQ(state.plannedArchives, (Lines{ ArchiveName(one), ArchiveName(two) }));
    EXPECT_EQ(summary.done, 1);

    // A run that reaches its end leaves no marker.
    clock.setLocal(2026, 12, 5, 21, 7, 0);
    backUpQuietly({ one, two });
    const std::string later = AddBackslash(fields.to) + EncodePath(dateText(2026, 12, 5, 21, 7, 0));
    EXPECT_TRUE(ReadRunState(later).complete);
    EXPECT_FALSE(fs::exists(later + "/" + kIncompleteMarker));
    EXPECT_EQ(summary.done, 2);
    EXPECT_EQ(summary.failed, 0);
}

TEST_F(Sources, AFolderThatFailsIsCountedAsFailed)
{
    const std::string fine = folderWithFiles("fine");
    backUpQuietly({ sources + "/gone", fine });
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(summary.done, 1);
}

TEST_F(Sources, AnUnreadableSubfolderIsOneWarningFailsTheRunAndTheRestIsStored)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string before = folderWithFiles("a before");
    const std::string locked = folderWithFiles("locked");
    makeDirs(locked + "inner");
    const std::string after = folderWithFiles("z after");
    fs::permissions(locked, fs::perms::none);

    const Lines log = backUpQuietly({ sources });
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_TRUE(contains(log, "End:     Copy Folders and compress..."));
    EXPECT_EQ(countStarting(log, "Warning: Folder not backed up, it cannot be read"), 1u);
    EXPECT_EQ(runFolderNames(runFolder), storedNames({ sources + "/", before, after }));
    // The user chose it and it is not in the backup: the run is not complete.
    EXPECT_EQ(summary.skipped, 0);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(summary.warnings.size(), 1u);
    const RunVerdict verdict = ReadRunVerdict(runFolder);
    EXPECT_EQ(verdict.outcome, RunOutcome::Failed);
    EXPECT_EQ(verdict.failed, 1);
    const auto journal = ReadRunJournal(runFolder);
    ASSERT_TRUE(journal);
    ASSERT_EQ(journal->failed.size(), 1u);
    EXPECT_EQ(journal->failed[0].path, locked);
    EXPECT_EQ(journal->held.size(), 3u);
}

TEST_F(Sources, TheStoreTheRestoreTargetAndTheJobFilesAreNeverWalked)
{
    const std::string home = folderWithFiles("home");
    fields.to = home + "backups";
    fields.unBackupTo = home + "restored";
    makeDirs(fields.to);
    makeDirs(fields.unBackupTo);
    writeText(fields.unBackupTo + "/old.txt", "restored earlier");
    const std::string appInside = home + "app";
    makeDirs(appInside);
    linkArchiver(appInside);

    auto backUpInside = [&] {
        fields.from = { home };
        Lines log;
        LogHost host([&](const std::string& line) { log.push_back(line); });
        BackupRun run(host, fields, appInside);
        run.run();
        return log;
    };
    backUpInside();
    clock.setLocal(2026, 12, 5, 21, 7, 0);
    const Lines log = backUpInside();
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_TRUE(contains(log, "Warning: Folder not backed up, it holds the backups: " + fields.to + "/"));
    EXPECT_TRUE(
        contains(log, "Warning: Folder not backed up, it is the restore target: " + fields.unBackupTo + "/"));
    EXPECT_TRUE(
        contains(log, "Warning: Folder not backed up, it holds the program's job files: " + appInside + "/"));
    EXPECT_EQ(countStarting(log, "Warning: "), 3u);
    EXPECT_EQ(countStarting(log, "Start:   Copy /"), 1u);
}

TEST_F(Sources, OverlappingSourcesAreNamedOnceAndStoredOnce)
{
    const std::string outer = folderWithFiles("outer");
    const std::string inner = outer + "inner/";
    makeDirs(inner);
    writeText(inner + "i.txt", "i");
    ASSERT_TRUE(platform::createSymlink(outer, dir / "link to outer"));
    const std::string other = folderWithFiles("other");

    const Lines sourcesTyped = { inner, outer, sources + "//outer/./", dir / "link to outer", other };
    const Lines log = backUpQuietly(sourcesTyped);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_TRUE(contains(log, "End:     Copy Folders and compress..."));
    EXPECT_TRUE(contains(log,
        "Warning: Source folders overlap, what lies in both is backed up once: " + inner + " and " + outer));
    EXPECT_EQ(countStarting(log, "Warning: Source folders overlap"), 6u); // every overlapping pair once
    EXPECT_EQ(runFolderNames(runFolder), storedNames({ inner, outer, other }));
    EXPECT_EQ(summary.done, 3);
}

TEST_F(Sources, ASourceTypedWithDotsIsStoredUnderItsRealPath)
{
    const std::string folder = folderWithFiles("data");
    makeDirs(folder + "sub");

    backUpQuietly({ folder + "sub/.." });
    EXPECT_EQ(runFolderNames(runFolder), storedNames({ folder, folder + "sub/" }));

    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(readText(fields.unBackupTo + folder + "a.txt"), "a of data");
}

TEST_F(Sources, HiddenFoldersAreNamedAndCountedAndAHiddenSourceIsBackedUp)
{
    const std::string folder = folderWithFiles("home");
    makeDirs(folder + ".ssh/deeper");
    writeText(folder + ".ssh/id", "key");
    makeDirs(folder + "sub/.config");
    const std::string hiddenSource = sources + "/.dotfiles/";
    makeDirs(hiddenSource + ".git");
    writeText(hiddenSource + "rc", "rc");

    const Lines log = backUpQuietly({ folder, hiddenSource });
    EXPECT_TRUE(contains(log, "Hidden folder not backed up: " + folder + ".ssh/"));
    EXPECT_TRUE(contains(log, "Hidden folder not backed up: " + folder + "sub/.config/"));
    EXPECT_TRUE(contains(log, "Hidden folder not backed up: " + hiddenSource + ".git/"));
    EXPECT_EQ(countStarting(log, "Hidden folder not backed up: "), 3u);
    EXPECT_EQ(summary.skipped, 3);
    EXPECT_EQ(runFolderNames(runFolder), storedNames({ folder, folder + "sub/", hiddenSource }));
    EXPECT_EQ(archiveEntries(stored(hiddenSource)), Lines{ "rc" });
}

TEST_F(Sources, EntriesThatCannotComeBackAsTheyWereAreNamed)
{
    const std::string folder = folderWithFiles("data");
    ASSERT_EQ(std::system(("mkfifo '" + folder + "pipe'").c_str()), 0);

    const Lines log = backUpQuietly({ folder });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_TRUE(contains(log,
        "Warning: Entries a restore cannot bring back as they were (FIFO, socket or device) in " + folder
            + ": pipe"));
    EXPECT_EQ(summary.warnings.size(), 1u);
}

TEST_F(Sources, FilesThatComeOrGoWhileAFolderIsArchivedAreCountedAsArchived)
{
    const std::string grows = folderWithFiles("grows");
    const std::string shrinks = folderWithFiles("shrinks");
    const std::string still = folderWithFiles("still");
    writeText(grows + "grow-me", "");
    writeText(shrinks + "shrink-me", "");
    // Between the count and the archiver's end a file comes, or goes.
    writeArchiverScript(app.path(),
        "[ -e grow-me ] && echo new > new.txt\n"
        "[ -e shrink-me ] && rm -f a.txt\n"
        "exec \"$REAL\" \"$@\"");

    const Lines log = backUpQuietly({ grows, shrinks, still });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(readText(stored(grows) + ".dat"), "4");
    EXPECT_EQ(readText(stored(shrinks) + ".dat"), "2");
    EXPECT_EQ(readText(stored(still) + ".dat"), "2");
    EXPECT_EQ(summary.changed, 2);
    EXPECT_EQ(summary.done, 3);
    EXPECT_EQ(countStarting(log, "Warning: Folder changed while it was backed up"), 2u);
    EXPECT_TRUE(contains(log,
        "Warning: Folder changed while it was backed up, stored as the archiver found it (4 files): "
            + grows));

    // The restore finds every folder as it was stored.
    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(readText(fields.unBackupTo + grows + "new.txt"), "new\n");
}

} // namespace
} // namespace testsupport
