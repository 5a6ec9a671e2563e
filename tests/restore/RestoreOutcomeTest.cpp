// A restore's outcome is what it brought back: folders the run holds whose
// archives cannot be read and folders the backup left out count as failed,
// entries the archiver cannot bring back as they were are named, and the
// number of files extracted is the archiver's own, whatever the restore
// folder held before. Whole backups and restores with the real archiver.
#include "tests/support/QuietBackup.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "store/StoreLayout.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using platform::MsgAnswer;

namespace testsupport {
namespace {

bool makeSocketFile(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

std::vector<std::string> linesWith(const std::vector<std::string>& log, const std::string& part)
{
    std::vector<std::string> found;
    std::copy_if(log.begin(), log.end(), std::back_inserter(found),
        [&part](const std::string& line) { return line.find(part) != std::string::npos; });
    return found;
}

class RestoreOutcome : public BackupRestoreFixture {
protected:
    // The "Error!" boxes shown since the first `since` boxes.
    std::vector<ShownBox> errorBoxes(std::size_t since = 0) const
    {
        std::vector<ShownBox> errors;
        for (std::size_t i = since; i < boxes.shown().size(); ++i) {
            if (boxes.shown()[i].title == "Error!")
                errors.push_back(boxes.shown()[i]);
        }
        return errors;
    }

    std::string src = dir / "src";
};

TEST_F(RestoreOutcome, FifosAndSocketsTheBackupNamedAreNamedByTheRestore)
{
    const std::string folder = src + "/run/";
    makeDirs(folder);
    writeText(folder + "a.txt", "alpha");
    ASSERT_TRUE(makeSocketFile(folder + "listener.sock"));
    ASSERT_EQ(::mkfifo((folder + "pipe").c_str(), 0600), 0);
    const std::string plain = folderWithFiles(src, "plain");
    backUp({ folder, plain });

    const auto log = restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    const auto named = linesWith(log, "Warning: Entries brought back as empty files");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0],
        "Warning: Entries brought back as empty files, not as they were (FIFO, socket or device), in "
            + fields.unBackupTo + folder + ": listener.sock, pipe");
    EXPECT_EQ(log.back(), "Summary: 2 folders restored, 0 failed, 0 changed, 0 skipped, 1 warnings");
    EXPECT_EQ(readText(fields.unBackupTo + folder + "a.txt"), "alpha");
}

TEST_F(RestoreOutcome, FoldersWhoseArchivesCannotBeReadFailInOneBox)
{
    std::vector<std::string> gone;
    for (int i = 0; i < 11; ++i)
        gone.push_back(folderWithFiles(src, "gone" + std::to_string(10 + i)));
    const std::string dangling = folderWithFiles(src, "dangling");
    const std::string fifo = folderWithFiles(src, "fifo");
    const std::string good = folderWithFiles(src, "good");
    std::vector<std::string> sources = gone;
    sources.insert(sources.end(), { dangling, fifo, good });
    backUp(sources);

    for (const std::string& folder : gone)
        fs::remove(runFolder + ArchiveName(folder)); // its count file stays
    fs::remove(runFolder + ArchiveName(dangling));
    fs::create_symlink(dir / "nowhere.7z", runFolder + ArchiveName(dangling));
    fs::remove(runFolder + ArchiveName(fifo));
    ASSERT_EQ(::mkfifo((runFolder + ArchiveName(fifo)).c_str(), 0600), 0);
    // A count file no journal speaks of, as a run made before journals leaves.
    const std::string orphan = runFolder + ArchiveName(src + "/old/") + ".dat";
    writeText(orphan, "3");

    const auto log = restore(date);
    EXPECT_EQ(readText(fields.unBackupTo + good + "a.txt"), "a of good");
    EXPECT_EQ(log.back(), "Summary: 1 folders restored, 14 failed, 0 changed, 0 skipped");
    EXPECT_EQ(linesWith(log, "Error: Folder not restored: ").size(), 14u);
    EXPECT_EQ(linesWith(log,
                  "Error: Folder not restored: " + gone[0] + ": its archive " + runFolder
                      + ArchiveName(gone[0]) + " is gone.")
                  .size(),
        1u);
    EXPECT_EQ(linesWith(log, "Error: Folder not restored: " + dangling + ": its archive").size(), 1u);
    EXPECT_EQ(linesWith(log,
                  "Error: Folder not restored: " + fifo + ": its archive " + runFolder + ArchiveName(fifo)
                      + " is not a plain file.")
                  .size(),
        1u);
    EXPECT_EQ(linesWith(log,
                  "Error: Folder not restored: " + src + "/old/: its count file " + orphan
                      + " has no archive beside it.")
                  .size(),
        1u);
    EXPECT_TRUE(linesWith(log, "Warning:").empty());

    const auto errors = errorBoxes();
    ASSERT_EQ(errors.size(), 1u);
    const std::string& box = errors[0].text;
    EXPECT_TRUE(box.starts_with("Error!\r\n\r\nFolders not restored...\r\nThe backup of " + date
        + " holds 14 folders whose archives cannot be read:\r\n"))
        << box;
    EXPECT_TRUE(box.ends_with("\r\nand 4 more")) << box;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 2 + 1 + 10 + 1) << box;
}

TEST_F(RestoreOutcome, FilesAlreadyInTheRestoreFolderDoNotFailAGoodFolder)
{
    const std::string folder = folderWithFiles(src, "docs");
    backUp({ folder });
    const std::string restored = fields.unBackupTo + folder;
    makeDirs(restored);
    writeText(restored + "mine.txt", "my own");
    writeText(restored + "zeta", "z");
    writeText(restored + "a.txt", "an older a");
    // A link of the user's pointing into the folder, as the archiver would
    // leave an absolute link it stored: the restore leaves it alone.
    fs::create_symlink(restored + "target", restored + "link");
    fs::create_symlink(restored + "target", restored + ".hidden-link");

    const auto log = restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(readText(restored + "a.txt"), "a of docs");
    EXPECT_EQ(readText(restored + "mine.txt"), "my own");
    EXPECT_EQ(fs::read_symlink(restored + "link"), restored + "target");
    EXPECT_EQ(fs::read_symlink(restored + ".hidden-link"), restored + "target");
    const auto named = linesWith(log, "Warning: ");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0],
        "Warning: Files already in " + restored
            + " that the archive does not hold, left as they were: "
              "link, mine.txt, zeta");
    EXPECT_EQ(log.back(), "Summary: 1 folders restored, 0 failed, 0 changed, 0 skipped, 1 warnings");
}

TEST_F(RestoreOutcome, TheArchiversCountAgreesWithTheCountFileForEveryKindOfFolder)
{
    const std::string links = src + "/links/";
    makeDirs(links);
    writeText(links + "a", "a");
    fs::create_symlink("a", links + "rel");
    fs::create_symlink("../one", links + "to-folder");
    fs::create_symlink("/no/such/file", links + "dangling");
    fs::create_symlink("/etc/hostname", links + "abs");
    fs::create_symlink("/etc/hostname", links + ".hidden-abs");
    const std::string fifo = src + "/fifo/";
    makeDirs(fifo);
    writeText(fifo + "f", "f");
    ASSERT_EQ(::mkfifo((fifo + "pipe").c_str(), 0600), 0);
    const std::string empties = src + "/empties/";
    makeDirs(empties);
    writeText(empties + "e1", "");
    writeText(empties + "e2", "");
    writeText(empties + ".hidden", "h");
    const std::string one = src + "/one/";
    makeDirs(one);
    writeText(one + "only", "x");
    const std::string none = src + "/none/";
    makeDirs(none);
    const std::string hiddenOnly = src + "/hidden-only/";
    makeDirs(hiddenOnly);
    writeText(hiddenOnly + ".profile", "p");
    const std::vector<std::string> folders{ links, fifo, empties, one, none, hiddenOnly };
    backUp(folders);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;

    // Restored twice, the second time over the first and beside a file of
    // the user's in every folder: the counts agree each time.
    auto log = restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(log.back(), "Summary: 6 folders restored, 0 failed, 0 changed, 0 skipped, 1 warnings");
    for (const std::string& folder : folders)
        writeText(fields.unBackupTo + folder + "user-file", "mine");
    log = restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    EXPECT_EQ(log.back(), "Summary: 6 folders restored, 0 failed, 0 changed, 0 skipped, 7 warnings");
    EXPECT_EQ(linesWith(log, "left as they were: user-file").size(), 6u);
    EXPECT_EQ(fs::read_symlink(fields.unBackupTo + links + "abs"), "/etc/hostname");
    EXPECT_EQ(fs::read_symlink(fields.unBackupTo + links + ".hidden-abs"), "/etc/hostname");
    EXPECT_EQ(readText(fields.unBackupTo + one + "only"), "x");
}

TEST_F(RestoreOutcome, AFailedRunNamesEachFolderItLeftOutWithTheNewestRunHoldingIt)
{
    const std::string kept = folderWithFiles(src, "kept");
    const std::string lost = folderWithFiles(src, "lost");
    const std::string never = src + "/never/"; // not there in any run
    clock.setLocal(2026, 12, 1, 10, 0, 0);
    backUp({ kept, lost });
    clock.setLocal(2026, 12, 2, 10, 0, 0);
    backUp({ kept, lost, never });
    const std::string holding = dateText(2026, 12, 2, 10, 0, 0);

    fs::remove_all(lost);
    clock.setLocal(2026, 12, 5, 21, 6, 11);
    backUp({ kept, lost, never });

    const std::size_t earlier = boxes.shown().size();
    const auto log = restore(date);
    EXPECT_EQ(readText(fields.unBackupTo + kept + "a.txt"), "a of kept");
    EXPECT_EQ(linesWith(log, "Error: Not in this backup: ").size(), 2u);
    EXPECT_EQ(linesWith(log,
                  "Error: Not in this backup: " + lost + " (held whole by the backup of " + holding + ")")
                  .size(),
        1u);
    EXPECT_EQ(linesWith(log, "Error: Not in this backup: " + never + " (held by no backup)").size(), 1u);
    EXPECT_EQ(log.back(), "Summary: 1 folders restored, 2 failed, 0 changed, 0 skipped");
    const auto errors = errorBoxes(earlier);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.starts_with(
        "Error!\r\n\r\nBackup run failed...\r\nThe backup of " + date + " left out 2 folders:\r\n"))
        << errors[0].text;
}

} // namespace
} // namespace testsupport
