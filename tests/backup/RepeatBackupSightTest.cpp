// Repeat backups take over only what the previous run of this computer saw
// exactly as it is now: folders moved in, swapped, mounted over or made on
// another computer are compressed again, and so is a change in the same tick
// of the file system's clock as the look at its folder; a clock set wrong
// makes no difference. Each case restores the newest run byte for byte.
#include "tests/backup/RepeatBackupFixture.h"

#include "platform/ChangeTimes.h"
#include "store/RunJournal.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

bool shell(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Undoes, in reverse order, what a test mounted or attached.
class Mounts {
public:
    ~Mounts()
    {
        for (auto undo = m_undo.rbegin(); undo != m_undo.rend(); ++undo)
            (void)shell(*undo);
    }
    // Runs `command`; when it succeeds, `undo` runs at the end of the test.
    bool run(const std::string& command, const std::string& undo)
    {
        if (!shell(command))
            return false;
        m_undo.push_back(undo);
        return true;
    }

private:
    std::vector<std::string> m_undo;
};

// Makes `folder` (ending in a separator) with two files named for `tag`;
// `other` gives them the same names and sizes with other bytes.
std::string filesIn(const std::string& folder, const std::string& tag, bool other = false)
{
    makeDirs(folder);
    writeText(folder + "a.txt", (other ? "A OF " : "a of ") + tag);
    writeText(folder + "b.txt", (other ? "B OF " : "b of ") + tag);
    return folder;
}

class MachineIdOfTest {
public:
    explicit MachineIdOfTest(const std::string& id) { SetMachineIdForTests(id); }
    ~MachineIdOfTest() { SetMachineIdForTests({}); }
    void is(const std::string& id) { SetMachineIdForTests(id); }
};

using RepeatBackupSight = RepeatBackup;

TEST_F(RepeatBackupSight, AFolderMovedInFromACopyMadeBeforeThePreviousRunIsCompressed)
{
    const std::string inner = filesIn(folders[0] + "inner/", "inner");
    const std::string staging = dir / "staging";
    filesIn(staging + "/one/", "one", true);
    filesIn(staging + "/one/inner/", "inner", true);
    letChangeTimesSettle();
    backUpQuietly();

    // rm -rf one; mv staging/one one: the copy's files and its subfolder keep
    // their names, sizes and times from before the previous run.
    fs::remove_all(folders[0]);
    fs::rename(staging + "/one", folders[0]);
    backUpQuietly();

    EXPECT_EQ(compressedAgain(), std::vector<std::string>{ folders[0] });
    EXPECT_FALSE(taken(inner));
    EXPECT_TRUE(taken(sources + "/"));
    expectNewestRestores(filesOfTree(sources));
}

TEST_F(RepeatBackupSight, TwoSubfoldersWhoseNamesAreSwappedAreCompressed)
{
    // Each holds a deeper folder of the same names and sizes as the other's.
    filesIn(folders[1] + "x/", "x");
    filesIn(folders[1] + "x/deep/", "deep");
    filesIn(folders[1] + "y/", "y", true);
    filesIn(folders[1] + "y/deep/", "deep", true);
    letChangeTimesSettle();
    backUpQuietly();

    fs::rename(folders[1] + "x", folders[1] + "swap");
    fs::rename(folders[1] + "y", folders[1] + "x");
    fs::rename(folders[1] + "swap", folders[1] + "y");
    backUpQuietly();

    for (const char* swapped : { "x/", "x/deep/", "y/", "y/deep/" })
        EXPECT_FALSE(taken(folders[1] + swapped)) << swapped;
    EXPECT_TRUE(compressedAgain().empty());
    EXPECT_EQ(summary.reused, 7);
    expectNewestRestores(filesOfTree(sources));
}

TEST_F(RepeatBackupSight, AFileSystemMountedOverASourceFolderIsCompressed)
{
    Mounts mounts;
    const std::string staging = dir / "card";
    makeDirs(staging);
    if (!mounts.run("mount -t tmpfs -o size=1M tmpfs '" + staging + "'", "umount '" + staging + "'"))
        GTEST_SKIP() << "no tmpfs can be mounted here (it takes root)";
    // Another memory card, filled before the previous run, then mounted
    // where the folder was.
    writeText(staging + "/a.txt", "A OF TWO");
    writeText(staging + "/b.txt", "B OF TWO");
    letChangeTimesSettle();
    backUpQuietly();
    ASSERT_TRUE(
        mounts.run("mount --bind '" + staging + "' '" + folders[1] + "'", "umount '" + folders[1] + "'"));

    const Lines log = backUpQuietly();

    EXPECT_EQ(compressedAgain(), std::vector<std::string>{ folders[1] });
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                  [](const std::string& l) { return l.starts_with("Folders now on another file system"); }),
        1);
    EXPECT_TRUE(hasLine(log,
        "Folders now on another file system than at the previous backup are compressed again, such as "
            + folders[1]));
    expectNewestRestores(filesOfTree(sources));
}

TEST_F(RepeatBackupSight, AComputerTakesOverOnlyItsOwnRunsArchives)
{
    // The other computer's folders have the same paths, names, sizes and
    // counts, with other bytes, all made before either backup.
    const std::string other = dir / "other";
    for (const char* name : { "one", "two", "three", "four", "five", "six" })
        filesIn(other + "/" + name + "/", name, true);
    const std::string mine = dir / "mine";
    letChangeTimesSettle();
    MachineIdOfTest machine("computer-a");
    backUpQuietly();

    fs::rename(sources, mine);
    fs::rename(other, sources);
    machine.is("computer-b");
    backUpQuietly();
    EXPECT_EQ(compressedAgain(0, 1), folders);
    EXPECT_EQ(summary.reused, 0);
    expectNewestRestores(filesOfTree(sources));

    // Back on the first computer: its own run, not the newer one, is taken over.
    fs::rename(sources, other);
    fs::rename(mine, sources);
    machine.is("computer-a");
    backUpQuietly();
    EXPECT_TRUE(compressedAgain(0, 2).empty());
    EXPECT_EQ(summary.reused, 7);
}

TEST_F(RepeatBackupSight, AStartRecordedAheadOfTheClockHidesNoLaterChange)
{
    backUpQuietly();
    // The clock was 20 s fast during that run and was set right after it:
    // a file saved now has a change time before the start it recorded.
    const RunJournal made = *ReadRunJournal(runs[0]);
    rewriteJournal(runs[0], made.started + 20'000'000'000, made.archiver);
    writeText(folders[2] + "a.txt", "A OF three");

    backUpQuietly();

    EXPECT_EQ(compressedAgain(), std::vector<std::string>{ folders[2] });
    EXPECT_EQ(summary.reused, 6);
    expectNewestRestores(filesOfTree(sources));
}

TEST_F(RepeatBackupSight, ADamagedRecordCompressesTheFoldersItNoLongerDescribesAndSaysSoOnce)
{
    backUpQuietly();
    // A look that no longer reads: its inode is no number.
    const std::string damaged = "seen\t" + ArchiveName(folders[3]) + "\t";
    editJournal(runs[0], [&](const std::string& line) {
        if (!line.starts_with(damaged))
            return line;
        // The fields after the archive: path, file system, inode.
        const std::size_t fileSystem = line.find('\t', damaged.size()) + 1;
        const std::size_t inode = line.find('\t', fileSystem) + 1;
        return line.substr(0, inode) + "x" + line.substr(inode);
    });

    const Lines log = backUpQuietly();

    EXPECT_EQ(compressedAgain(), std::vector<std::string>{ folders[3] });
    EXPECT_TRUE(hasLine(log,
        "The previous backup's record is damaged, folders it does not describe are compressed again, such "
        "as "
            + folders[3]));
    expectNewestRestores(filesOfTree(sources));
}

// An ext4 file system of 128-byte inodes, which keep change times in whole
// seconds, in a file on a loop device.
TEST_F(RepeatBackupSight, ChangesInTheSameSecondAsTheLookAreSeenOnAWholeSecondsFileSystem)
{
    Mounts mounts;
    const std::string image = dir / "seconds.img", mount = dir / "seconds";
    makeDirs(mount);
    if (!shell("truncate -s 8M '" + image + "' && mkfs.ext4 -q -I 128 '" + image + "'")
        || !mounts.run("mount -o loop '" + image + "' '" + mount + "'", "umount '" + mount + "'"))
        GTEST_SKIP() << "no ext4 image can be mounted on a loop device here (root, losetup, mkfs.ext4 "
                        "and /dev/loop* are needed)";
    sources = mount + "/src";
    const std::string settled = folderWithFiles("settled");
    letChangeTimesSettle();
    // The others are made just after a second begins, the run starts later
    // in that second, and each is changed in it after the run looked at it:
    // before its archiver starts, or after its archive is made.
    while (platform::wallClockNanoseconds() % 1'000'000'000 > 50'000'000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string beforeArchive = folderWithFiles("before");
    const std::string afterArchive = folderWithFiles("after");
    const auto look = platform::lookAtFolder(beforeArchive);
    ASSERT_TRUE(look && !look->entries.empty());
    if (look->entries[0].changed % 1'000'000'000 != 0)
        GTEST_SKIP() << "this kernel keeps finer change times on 128-byte inodes";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::map<std::string, std::string> readByTheFirstRun;
    backUpQuietly([&](BackupRun&, const std::string& line) {
        if (line == "Start:   Copy " + beforeArchive) {
            writeText(beforeArchive + "a.txt", "A OF before");
        } else if (line == "End:     Copy " + afterArchive) {
            readByTheFirstRun = filesOfTree(sources);
            writeText(afterArchive + "a.txt", "A OF after");
        }
    });
    EXPECT_EQ(readByTheFirstRun[afterArchive + "a.txt"], "a of after");

    backUpQuietly();

    EXPECT_TRUE(taken(settled));
    EXPECT_FALSE(taken(beforeArchive));
    EXPECT_FALSE(taken(afterArchive));
    expectNewestRestores(filesOfTree(sources));
}

} // namespace
} // namespace testsupport
