// Repeat backups: a folder that shows just what the previous run of this
// computer saw of it gets that run's archive and count file as a second
// name of the same files; every kind of change, and any doubt about the
// previous run, compresses the folder again. Whole runs with the real
// archiver and real files.
#include "tests/backup/RepeatBackupFixture.h"

#include "backup/BackupRun.h"
#include "backup/PreviousArchives.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/ChangeTimes.h"
#include "platform/Clock.h"
#include "store/Archiver.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

TEST_F(RepeatBackup, AnUnchangedTreeIsTakenOverWholeAndSaidSo)
{
    backUpQuietly();
    const Lines log = backUpQuietly();

    EXPECT_TRUE(compressedAgain().empty());
    EXPECT_TRUE(taken(sources + "/"));
    EXPECT_TRUE(hasLine(log, "Reused:  " + folders[0]));
    EXPECT_TRUE(hasLine(log,
        "Unchanged folders are taken over from the backup of "
            + DecodePath(fs::path(runs[0]).parent_path().filename().string())));
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                  [](const std::string& l) { return l.starts_with("Start:   Copy /"); }),
        0);
    EXPECT_EQ(summary.reused, 7);
    EXPECT_EQ(summary.done, 7);
    EXPECT_EQ(
        log.back(), "Summary: 7 folders stored, 0 failed, 0 changed, 0 skipped, 0 compressed, 7 reused");
    EXPECT_TRUE(ReadRunState(runs[1]).complete);
    // A third run takes them over from the second, still the same files.
    backUpQuietly();
    EXPECT_TRUE(compressedAgain(1, 2).empty());
}

TEST_F(RepeatBackup, EachKindOfChangeCompressesExactlyItsFolder)
{
    backUpQuietly();
    // Another byte in a file; a file no longer readable by others; a file
    // moved in from outside the sources; a file replaced by one of the same
    // size given the old one's modification time, as `touch -d` would.
    writeText(folders[0] + "a.txt", "A of one");
    fs::permissions(folders[1] + "a.txt", fs::perms::others_read, fs::perm_options::remove);
    writeText(dir / "outside.txt", "moved in");
    fs::rename(dir / "outside.txt", folders[2] + "moved.txt");
    const std::string sameSize = folders[3] + "b.txt";
    const auto modified = fs::last_write_time(sameSize);
    writeText(sameSize, "B OF FOUR");
    fs::last_write_time(sameSize, modified);

    const Lines log = backUpQuietly();

    EXPECT_EQ(
        compressedAgain(), (std::vector<std::string>{ folders[0], folders[1], folders[2], folders[3] }));
    EXPECT_TRUE(hasLine(log, "Start:   Copy " + folders[3]));
    EXPECT_EQ(summary.reused, 3);
    EXPECT_EQ(ReadCountFile(CountFileName(archiveIn(1, folders[2]))).count, 3);
}

TEST_F(RepeatBackup, AFileWrittenDuringTheRunBeforeIsCompressedAgain)
{
    // Written once its folder's archive is made: that run's archive lacks it.
    backUpQuietly([this](BackupRun&, const std::string& line) {
        if (line == "End:     Copy " + folders[0])
            writeText(folders[0] + "a.txt", "written while the backup ran");
    });
    const Lines log = backUpQuietly();

    EXPECT_EQ(compressedAgain(), std::vector<std::string>{ folders[0] });
    EXPECT_TRUE(hasLine(log, "Start:   Copy " + folders[0]));
}

TEST_F(RepeatBackup, AfterARunThatDidNotReachItsEndEveryFolderIsCompressed)
{
    // Folders are taken in name order: "five" is the first of them.
    backUpQuietly([this](BackupRun& run, const std::string& line) {
        if (line == "End:     Copy " + folders[4])
            run.requestStop();
    });
    ASSERT_FALSE(ReadRunState(runs[0]).complete);
    const Lines log = backUpQuietly();

    EXPECT_EQ(summary.reused, 0);
    EXPECT_TRUE(hasLine(log, "Every folder is compressed: the previous backup did not reach its end."));
    EXPECT_FALSE(taken(folders[0]));
}

TEST_F(RepeatBackup, AnyDoubtAboutThePreviousRunCompressesEveryFolder)
{
    backUpQuietly();
    const RunJournal made = *ReadRunJournal(runs[0]);

    // Archives made with other switches.
    rewriteJournal(runs[0], made.started, made.archiver + " -mx9");
    Lines log = backUpQuietly();
    EXPECT_TRUE(
        hasLine(log, "Every folder is compressed: the previous backup made its archives another way."));
    EXPECT_EQ(summary.reused, 0);

    // Made before runs kept what they saw: its journal holds no look at any folder.
    fs::remove_all(runs[1]);
    rewriteJournal(runs[0], made.started, made.archiver);
    editJournal(runs[0], [](const std::string& line) { return line.starts_with("seen\t") ? "" : line; });
    log = backUpQuietly();
    EXPECT_TRUE(hasLine(log,
        "Every folder is compressed: the previous backup keeps no record of what it saw in the folders."));
    EXPECT_EQ(summary.reused, 0);

    // Asked for.
    fields.full = true;
    log = backUpQuietly();
    EXPECT_TRUE(hasLine(log, "Every folder is compressed: a full backup was asked for."));
    EXPECT_EQ(summary.reused, 0);
}

// What a run records of how its archives are made is the archiver's content
// switches, the very ones of its compression line, and nothing of paths, job
// details or the wrapper that ends the archiver with its job: adding or
// losing that wrapper must not cost a full recompress.
TEST_F(RepeatBackup, TheRecordedArchiverIsItsContentSwitchesOnly)
{
    EXPECT_EQ(ArchiverFingerprint(), "7z a -t7z -snl -i!* -x!*/");
    const std::string line = CompressCommandLine(app.path(), "/store/run/x.7z");
    for (const std::string& contentSwitch : CompressionContentSwitches())
        EXPECT_NE(line.find(" " + contentSwitch + " "), std::string::npos) << contentSwitch;
    EXPECT_EQ(ArchiverFingerprint().find("pdeathsig"), std::string::npos);
    EXPECT_EQ(ArchiverFingerprint().find(app.path()), std::string::npos);

    // A run of the version before recorded its whole compression line: its
    // archives are compressed again once, with the reason in the log, and
    // taken over from then on.
    backUpQuietly();
    const RunJournal made = *ReadRunJournal(runs[0]);
    rewriteJournal(runs[0], made.started,
        "/7z a -t7z -snl \"/archive.7z\" -i!* -x!*/ > \"/output.txt\" 2>&1; echo \"Exit status of 7z: "
        "$?\" >> \"/output.txt\"");
    Lines log = backUpQuietly();
    EXPECT_TRUE(
        hasLine(log, "Every folder is compressed: the previous backup made its archives another way."));
    EXPECT_EQ(summary.reused, 0);
    letChangeTimesSettle();
    log = backUpQuietly();
    EXPECT_EQ(summary.reused, static_cast<int>(folders.size()) + 1);
}

TEST_F(RepeatBackup, APreviousArchiveThatIsNotWhatItWasIsNotTakenOver)
{
    backUpQuietly();
    // Damaged in the store, replaced by a link, or its count no longer the folder's.
    const std::string cut = archiveIn(0, folders[0]);
    fs::resize_file(cut, fs::file_size(cut) - 1);
    const std::string linked = archiveIn(0, folders[1]);
    fs::rename(linked, dir / "elsewhere.7z");
    fs::create_symlink(dir / "elsewhere.7z", linked);
    writeText(CountFileName(archiveIn(0, folders[2])), "7");

    backUpQuietly();

    EXPECT_EQ(compressedAgain(), (std::vector<std::string>{ folders[0], folders[1], folders[2] }));
    EXPECT_EQ(summary.failed, 0);
}

TEST_F(RepeatBackup, TheNewerRunStaysWholeWhenTheOlderIsDeleted)
{
    backUpQuietly();
    writeText(folders[4] + "a.txt", "changed before the second run");
    backUpQuietly();
    const auto expected = filesOfTree(sources);
    fs::remove_all(runs[0]);

    restore(DecodePath(fs::path(runs[1]).parent_path().filename().string()));

    EXPECT_TRUE(shownAfterQuestion().empty());
    expectRestoredExactly(fields.unBackupTo, expected);
}

// An exFAT file system in a file, on a loop device through FUSE, where the
// machine allows it: no hard links, and no change times.
class ExfatFolder {
public:
    explicit ExfatFolder(const std::string& base)
        : m_image(base + "/exfat.img")
        , m_mount(base + "/exfat")
    {
        makeDirs(m_mount);
        const std::string make = "truncate -s 16M '" + m_image + "' && mkfs.exfat '" + m_image
            + "' >/dev/null 2>&1 && losetup -f --show '" + m_image + "' 2>/dev/null";
        if (FILE* pipe = ::popen(make.c_str(), "r")) {
            char device[64] = {};
            if (std::fgets(device, sizeof device, pipe))
                m_device = std::string(device, std::strcspn(device, "\n"));
            ::pclose(pipe);
        }
        m_mounted = !m_device.empty()
            && std::system(("mount.exfat-fuse '" + m_device + "' '" + m_mount + "' >/dev/null 2>&1").c_str())
                == 0;
    }
    ~ExfatFolder()
    {
        if (m_mounted)
            (void)std::system(("umount '" + m_mount + "'").c_str());
        if (!m_device.empty())
            (void)std::system(("losetup -d '" + m_device + "'").c_str());
    }
    bool mounted() const { return m_mounted; }
    const std::string& path() const { return m_mount; }

private:
    std::string m_image;
    std::string m_mount;
    std::string m_device;
    bool m_mounted = false;
};

constexpr char kNoExfat[] = "no exFAT file system can be mounted here (losetup, mkfs.exfat, mount.exfat-fuse "
                            "and /dev/fuse are needed)";

TEST_F(RepeatBackup, AStoreWithoutHardLinksGetsCopies)
{
    ExfatFolder fat(dir.path());
    if (!fat.mounted())
        GTEST_SKIP() << kNoExfat;
    fields.to = fat.path() + "/backups";
    makeDirs(fields.to);
    backUpQuietly();
    backUpQuietly();

    EXPECT_EQ(summary.reused, 7);
    for (const std::string& folder : folders) {
        EXPECT_FALSE(fs::equivalent(archiveIn(0, folder), archiveIn(1, folder)));
        EXPECT_EQ(readText(archiveIn(0, folder)), readText(archiveIn(1, folder)));
        EXPECT_EQ(
            readText(CountFileName(archiveIn(0, folder))), readText(CountFileName(archiveIn(1, folder))));
    }
}

TEST_F(RepeatBackup, SourcesOnAFileSystemWithoutChangeTimesAreAlwaysCompressed)
{
    ExfatFolder fat(dir.path());
    if (!fat.mounted())
        GTEST_SKIP() << kNoExfat;
    sources = fat.path() + "/src";
    folders = { folderWithFiles("one"), folderWithFiles("two") };
    letChangeTimesSettle();
    backUpQuietly();
    const Lines log = backUpQuietly();

    EXPECT_EQ(summary.reused, 0);
    EXPECT_EQ(summary.done, 3);
    // Said once for the run, not once for each folder.
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(),
            [](const std::string& l) { return l.starts_with("Folders on a file system that keeps no"); }),
        1);
    EXPECT_TRUE(hasLine(log,
        "Folders on a file system that keeps no change times of its own are compressed on every backup, such "
        "as "
            + sources + "/"));
}

} // namespace
} // namespace testsupport
