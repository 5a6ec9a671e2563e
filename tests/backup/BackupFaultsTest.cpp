// Faults during a backup: files and folders that cannot be read, folders that
// vanish, an archiver that cannot run or is killed while writing, a backup
// target that fills up, and an archive left behind by a crashed run. In every
// case the run ends with "Done", the user's folders are unchanged, and what is
// in the run folder is sound.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::string box(const std::string& text)
{
    return "Error!\r\n\r\n" + text;
}

std::string notCompleted(const std::string& folder)
{
    return box("7z not completed...For Directory: " + EncodePath(folder) + "/\r\nFolder: " + folder);
}

class BackupFaults : public BackupRestoreFixture {
protected:
    BackupFaults() { makeDirs(sources); }

    // A folder under the sources with a few files; returns it with its separator.
    std::string folderWithFiles(const std::string& name)
    {
        return testsupport::folderWithFiles(sources, name);
    }

    // Runs a backup without a window, calling `onLine` with every log line
    // as it is written; returns the log, oldest line first.
    std::vector<std::string> backUpWatching(
        const std::vector<std::string>& folders, const std::function<void(const std::string&)>& onLine)
    {
        fields.from = folders;
        return testsupport::backUpWithoutWindow(fields, app.path(), [&](BackupRun&, const std::string& line) {
            onLine(line);
        }).log;
    }

    std::string stored(const std::string& folder) const { return runFolder + ArchiveName(folder); }

    // The archives and count files in the run folder, for exactly these folders.
    void expectStoredOnly(const std::vector<std::string>& folders)
    {
        EXPECT_EQ(runFolderNames(runFolder), storedNames(folders));
    }

    std::string sources = dir / "src";
};

TEST_F(BackupFaults, AFileThatCannotBeReadIsNamedAtOnceAndTheRestIsStored)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string folder = folderWithFiles("mixed");
    writeText(folder + "secret.txt", "cannot be read");
    fs::permissions(folder + "secret.txt", fs::perms::none);

    const std::vector<std::string> log = withoutRunReport(backUp({ sources }));
    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
        box("Files not backed up: they cannot be read...For Directory: " + folder + "\r\nsecret.txt"));
    EXPECT_EQ(boxes.shown()[0].style, 16);
    EXPECT_EQ(archiveEntries(stored(folder)), (std::vector<std::string>{ "a.txt", "b.txt" }));
    // The count is that of the folder: a restore says that a file is missing.
    EXPECT_EQ(readText(stored(folder) + ".dat"), "3");
    EXPECT_EQ(allNames(folder), (std::vector<std::string>{ "a.txt", "b.txt", "secret.txt" }));
    fs::permissions(folder + "secret.txt", fs::perms::owner_read);
    EXPECT_EQ(readText(folder + "secret.txt"), "cannot be read");

    restore(date);
    const auto shown = shownAfterQuestion();
    ASSERT_EQ(shown.size(), 4u); // the last names the folder the run left out
    EXPECT_NE(
        shown[1].text.find("Expected number of files: 3\r\nExtracted number of files: 2"), std::string::npos)
        << shown[1].text;
    EXPECT_EQ(readText(fields.unBackupTo + folder + "a.txt"), "a of mixed");
}

TEST_F(BackupFaults, AFolderThatCannotBeListedWhenItsTurnComesIsNotStoredAsEmpty)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string closed = folderWithFiles("closed");
    const std::string open = folderWithFiles("open");
    // Found while it could be listed; by its turn it can only be entered.
    const std::vector<std::string> log
        = withoutRunReport(backUpWatching({ closed, open }, [&](const std::string& line) {
              if (line == "Start:   Copy " + closed)
                  fs::permissions(closed, fs::perms::owner_write | fs::perms::owner_exec);
          }));
    fs::permissions(closed, fs::perms::owner_all);

    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.starts_with(
        box("Folder not backed up: it cannot be listed...For Directory: " + closed + "\r\n")))
        << boxes.shown()[0].text;
    expectStoredOnly({ open });
    EXPECT_EQ(allNames(closed), (std::vector<std::string>{ "a.txt", "b.txt" }));
}

TEST_F(BackupFaults, FoldersRemovedDuringTheRunAreReportedAndTheRunGoesOn)
{
    const std::string first = folderWithFiles("first");
    const std::string removedBefore = folderWithFiles("removed before its turn");
    const std::string removedDuring = folderWithFiles("removed while compressed");
    const std::string last = folderWithFiles("last");
    writeText(removedDuring + "remove-me", "");
    // The archiver finds its working folder gone when it starts.
    writeArchiverScript(app.path(), "[ -e remove-me ] && rm -rf \"$PWD\"\nexec \"$REAL\" \"$@\"");

    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> log = withoutRunReport(
        backUpWatching({ first, removedBefore, removedDuring, last }, [&](const std::string& line) {
            if (line == "Start:   Copy " + removedBefore)
                fs::remove_all(removedBefore);
        }));
    // A folder that is gone is told at once, not after a start time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text,
        box("7z not executed...For Directory: " + EncodePath(removedBefore)
            + "/\r\nFolder: " + removedBefore));
    EXPECT_EQ(boxes.shown()[1].text, notCompleted(removedDuring));
    expectStoredOnly({ first, last });
    EXPECT_EQ(readText(stored(first) + ".dat"), "2");
    EXPECT_TRUE(archivesBelow(sources).empty());
    EXPECT_EQ(allNames(sources), (std::vector<std::string>{ "first", "last" }));
}

TEST_F(BackupFaults, AnArchiverThatCannotBeRunStoresNothingAndTheNextRunWorks)
{
    const std::string one = folderWithFiles("one");
    const std::string two = folderWithFiles("two");
    const auto before = allFilesBelow(sources);
    writeArchiverScript(app.path(), "exec \"$REAL\" \"$@\"");
    fs::permissions(app.path() + "/7z", fs::perms(0644));

    // One box before anything is made, not one per folder.
    backUp({ one, two });
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.starts_with(box("7z missing..."))) << boxes.shown()[0].text;
    EXPECT_FALSE(fs::exists(runFolder));
    EXPECT_EQ(allFilesBelow(sources), before);

    fs::permissions(app.path() + "/7z", fs::perms(0755));
    clock.setLocal(2026, 12, 5, 21, 7, 0);
    backUp({ one, two });
    EXPECT_EQ(boxes.shown().size(), 1u);
    const std::string later
        = AddBackslash(fields.to) + EncodePath(platform::formatDateText(clock.localNow())) + "/";
    EXPECT_EQ(readText(later + ArchiveName(one) + ".dat"), "2");
    EXPECT_EQ(readText(later + ArchiveName(two) + ".dat"), "2");
}

TEST_F(BackupFaults, AnArchiverKilledWhileWritingLeavesNoPartialArchive)
{
    const std::string victim = folderWithFiles("victim");
    const std::string fine = folderWithFiles("fine");
    writeText(victim + "large.bin", randomBytes(8u << 20, 7));
    writeText(victim + "kill-me", "");
    // Killed once its archive has grown past 64 KiB: the start header at the
    // front of the file is still zeros then, and the file is cut short.
    writeArchiverScript(app.path(),
        "if [ -e kill-me ]; then\n"
        "  \"$REAL\" \"$@\" -mx=9 >/dev/null 2>&1 &\n"
        "  pid=$!; i=0\n"
        "  while [ $i -lt 3000 ]; do\n"
        "    size=$(wc -c < \"$4\" 2>/dev/null); [ \"${size:-0}\" -gt 65536 ] && break\n"
        "    i=$((i+1)); sleep 0.01\n"
        "  done\n"
        "  kill -9 $pid; wait $pid\n"
        // Should the archiver have been done first on a slow
        // machine, what a kill leaves is made by hand.
        "  truncate -s 65536 \"$4\"; exit 137\n"
        "fi\n"
        "exec \"$REAL\" \"$@\"");
    const auto before = allFilesBelow(sources);

    std::vector<std::string> log = withoutRunReport(backUp({ victim, fine }));
    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, notCompleted(victim));
    expectStoredOnly({ fine });
    EXPECT_TRUE(archivesBelow(sources).empty());
    EXPECT_EQ(allFilesBelow(sources), before);

    // Without the kill, the next run stores the folder whole.
    fs::remove(victim + "kill-me");
    clock.setLocal(2026, 12, 5, 21, 7, 0);
    backUp({ victim });
    EXPECT_EQ(boxes.shown().size(), 1u);
    const std::string later
        = AddBackslash(fields.to) + EncodePath(platform::formatDateText(clock.localNow())) + "/";
    EXPECT_EQ(archiveEntries(later + ArchiveName(victim)),
        (std::vector<std::string>{ "a.txt", "b.txt", "large.bin" }));
}

TEST_F(BackupFaults, AJobWhoseShellIsKilledEndsTheWaitAndTheRunGoesOn)
{
    const std::string victim = folderWithFiles("victim");
    const std::string fine = folderWithFiles("fine");
    writeText(victim + "kill-shell", "");
    // The job's shell dies with the archiver's line: no finish marker ever comes.
    writeArchiverScript(app.path(), "[ -e kill-shell ] && { kill -9 $PPID; exit 1; }\nexec \"$REAL\" \"$@\"");
    const auto before = allFilesBelow(sources);

    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> log = withoutRunReport(backUp({ victim, fine }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, notCompleted(victim));
    expectStoredOnly({ fine });
    EXPECT_EQ(allFilesBelow(sources), before);
}

TEST_F(BackupFaults, ATargetThatFillsUpFailsTheFolderThatDoesNotFitAndKeepsTheRest)
{
    if (!canRunUnprivileged())
        GTEST_SKIP() << "mounting a small file system needs root";
    const std::string small = dir / "small target";
    makeDirs(small);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + small + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string where;
        ~Unmount() { (void)std::system(("umount -l '" + where + "'").c_str()); }
    } unmount{ small };
    fields.to = small;
    const std::string fits = folderWithFiles("fits");
    const std::string big = folderWithFiles("big");
    const std::string never = folderWithFiles("never reached");
    writeText(big + "large.bin", randomBytes(256 * 1024, 3));
    const auto before = allFilesBelow(sources);

    std::vector<std::string> log = withoutRunReport(backUp({ fits, big, never }));
    const std::string run = AddBackslash(small) + EncodePath(date) + "/";
    // The archive that does not fit fails its folder alone; the partial
    // archive is removed, so the folders after it still fit.
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, notCompleted(big));
    EXPECT_EQ(log.back(), "End:     Copy Folders and compress...");
    EXPECT_EQ(runFolderNames(run), storedNames({ fits, never }));
    EXPECT_EQ(archiveEntries(run + ArchiveName(fits)), (std::vector<std::string>{ "a.txt", "b.txt" }));
    EXPECT_TRUE(archivesBelow(sources).empty());
    EXPECT_EQ(allFilesBelow(sources), before);
    EXPECT_FALSE(fs::exists(AddBackslash(app.path()) + "temp.bat"));

    // The part that was stored restores.
    restore(date);
    EXPECT_EQ(shownAfterQuestion().size(), 2u) << "the restore names the folder left out, in one box";
    EXPECT_EQ(readText(fields.unBackupTo + fits + "a.txt"), "a of fits");
}

TEST_F(BackupFaults, AFileNamedLikeTheArchiveIsBackedUpNotRemovedNorAddedTo)
{
    const std::string folder = folderWithFiles("data");
    writeText(folder + "deleted since.txt", "old");
    writeText(folder + "holiday.7z", "the user's own archive");
    // An archive of the folder's archive name lying in the folder is the
    // user's own file, whoever made it.
    ASSERT_TRUE(testsupport::runArchiver(folder, { "a", "-t7z", ArchiveName(folder), "-i!*", "-x!*/" }));
    fs::remove(folder + "deleted since.txt");
    const std::string usersOwn = readText(folder + ArchiveName(folder));

    backUp({ folder });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(archiveEntries(stored(folder)),
        (std::vector<std::string>{ ArchiveName(folder), "a.txt", "b.txt", "holiday.7z" }));
    EXPECT_EQ(readText(stored(folder) + ".dat"), "4");
    EXPECT_EQ(
        allNames(folder), (std::vector<std::string>{ ArchiveName(folder), "a.txt", "b.txt", "holiday.7z" }));
    EXPECT_EQ(readText(folder + ArchiveName(folder)), usersOwn);
}

} // namespace
} // namespace testsupport
