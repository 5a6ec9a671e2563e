// What the archiver says while it makes a folder's archive decides what is
// stored: a file it found but could not read leaves the archive short, so the
// count file holds what the archive holds and the folder is named as changed
// while it was backed up; an archiver that did not report success leaves no
// archive at all.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "pathutil/PathEncoding.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Lines = std::vector<std::string>;

std::size_t countStarting(const Lines& lines, const std::string& start)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(start); }));
}

bool contains(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ArchiverWarnings : public BackupRestoreFixture {
protected:
    ArchiverWarnings() { makeDirs(sources); }

    std::string folderWithFiles(const std::string& name)
    {
        return testsupport::folderWithFiles(sources, name);
    }

    // A whole backup without a window; returns the log and keeps the summary.
    Lines backUpQuietly(const Lines& folders)
    {
        fields.from = folders;
        QuietBackup done = backUpWithoutWindow(fields, app.path());
        summary = done.summary;
        return done.log;
    }

    std::string stored(const std::string& folder) const { return runFolder + ArchiveName(folder); }

    std::string sources = dir / "src";
    RunSummary summary;
};

TEST_F(ArchiverWarnings, AFileTheArchiverCannotOpenAfterTheCountIsAChangeNotAMismatch)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string locked = folderWithFiles("locked");
    const std::string still = folderWithFiles("still");
    writeText(locked + "lock-me", "");
    // Between the count and the archiver's read a file stops being readable:
    // the folder's listing does not change, the archiver only warns.
    writeArchiverScript(app.path(), "[ -e lock-me ] && chmod 000 b.txt\nexec \"$REAL\" \"$@\"");

    const Lines log = backUpQuietly({ locked, still });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(archiveEntries(stored(locked)), (Lines{ "a.txt", "lock-me" }));
    EXPECT_EQ(readText(stored(locked) + ".dat"), "2");
    EXPECT_EQ(readText(stored(still) + ".dat"), "2");
    EXPECT_EQ(countStarting(log, "Warning: Folder changed while it was backed up"), 1u);
    EXPECT_TRUE(contains(log,
        "Warning: Folder changed while it was backed up, stored as the archiver found it (2 files): "
            + locked));
    EXPECT_EQ(summary.changed, 1);
    EXPECT_EQ(summary.done, 2);
    EXPECT_EQ(summary.failed, 0);
    EXPECT_EQ(summary.warnings.size(), 1u);

    // The restore finds the folder as it was stored: no mismatch, no box.
    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(readText(fields.unBackupTo + locked + "a.txt"), "a of locked");
    EXPECT_FALSE(fs::exists(fields.unBackupTo + locked + "b.txt"));
    fs::permissions(locked + "b.txt", fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ArchiverWarnings, AFileTheCountFoundUnreadableIsToldOnceAsUnreadable)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    const std::string secret = folderWithFiles("secret");
    const std::string both = folderWithFiles("both");
    for (const std::string& folder : { secret, both }) {
        writeText(folder + "secret.txt", "cannot be read");
        fs::permissions(folder + "secret.txt", fs::perms::none);
    }
    // In the second folder one more file stops being readable after the count.
    writeText(both + "lock-me", "");
    writeArchiverScript(app.path(), "[ -e lock-me ] && chmod 000 b.txt\nexec \"$REAL\" \"$@\"");

    const Lines log = backUpQuietly({ secret, both });
    // The unreadable file: its box, and the count of the folder as before.
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text,
        "Error!\r\n\r\nFiles not backed up: they cannot be read...For Directory: " + secret
            + "\r\nsecret.txt");
    EXPECT_EQ(readText(stored(secret) + ".dat"), "3");
    // The file that changed besides it: what the archive holds, and one warning.
    EXPECT_EQ(boxes.shown()[1].text,
        "Error!\r\n\r\nFiles not backed up: they cannot be read...For Directory: " + both + "\r\nsecret.txt");
    EXPECT_EQ(archiveEntries(stored(both)), (Lines{ "a.txt", "lock-me" }));
    EXPECT_EQ(readText(stored(both) + ".dat"), "2");
    EXPECT_EQ(countStarting(log, "Warning: Folder changed while it was backed up"), 1u);
    EXPECT_TRUE(contains(log,
        "Warning: Folder changed while it was backed up, stored as the archiver found it (2 files): "
            + both));
    EXPECT_EQ(summary.changed, 1);
    EXPECT_EQ(summary.failed, 2);
    for (const std::string& folder : { secret, both })
        fs::permissions(folder + "secret.txt", fs::perms::owner_read);
    fs::permissions(both + "b.txt", fs::perms::owner_read);
}

TEST_F(ArchiverWarnings, AnArchiveTheArchiverDidNotReportAsMadeIsNotKept)
{
    const std::string failing = folderWithFiles("failing");
    const std::string cut = folderWithFiles("cut");
    const std::string fine = folderWithFiles("fine");
    writeText(failing + "fail-me", "");
    writeText(cut + "cut-me", "");
    // Each archive is written whole; then the archiver says it failed, or
    // its job ends before the archiver's status is written down.
    writeArchiverScript(app.path(),
        "\"$REAL\" \"$@\"\n"
        "[ -e fail-me ] && exit 2\n"
        "[ -e cut-me ] && kill -9 $PPID\n"
        "exit 0");

    const Lines log = backUpQuietly({ failing, cut, fine });
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text,
        "Error!\r\n\r\n7z not completed...For Directory: " + EncodePath(failing) + "/\r\nFolder: " + failing);
    EXPECT_EQ(boxes.shown()[1].text,
        "Error!\r\n\r\n7z not completed...For Directory: " + EncodePath(cut) + "/\r\nFolder: " + cut);
    EXPECT_EQ(runFolderNames(runFolder), storedNames({ fine }));
    EXPECT_EQ(summary.failed, 2);
    EXPECT_EQ(summary.done, 1);
    EXPECT_EQ(countStarting(log, "Warning: Folder changed while it was backed up"), 0u);
}

} // namespace
} // namespace testsupport
