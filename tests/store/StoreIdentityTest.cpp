// A backup target that held a store and now is an empty folder is a disk
// that is not mounted: no backup goes into it, while a target holding any
// store, or one chosen again, is backed up. Whole backups with the real
// archiver, a tmpfs mount where the machine allows one.
#include "store/StoreIdentity.h"
#include "backup/BackupRun.h"
#include "platform/FileSystem.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/ScopedStateHome.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class StoreIdentity : public ::testing::Test {
protected:
    StoreIdentity()
    {
        fields.to = dir / "target";
        makeDirs(fields.to);
        fields.from = { folderWithFiles(dir.path(), "Documents") };
    }

    std::string state() const { return StoreStateFolder(); }
    std::string missingText() const
    {
        return "The backup disk is not there: " + fields.to
            + ". Connect it, or choose the target again with Change.";
    }
    QuietBackup backUp() { return backUpWithoutWindow(fields, app.path()); }

    TempDir dir;
    TempDir stateHome;
    ScopedStateHome scopedState{ stateHome.path() };
    ScopedAppFolder app;
    ScriptedMessageBoxes boxes;
    FakeFields fields;
};

TEST_F(StoreIdentity, TheFirstBackupMarksTheTargetAndTheStateRemembersIt)
{
    EXPECT_EQ(state(), stateHome / "Quorvel Backup");
    EXPECT_FALSE(RemembersStore(fields.to, state()));
    const QuietBackup done = backUp();
    ASSERT_FALSE(done.runFolder.empty());
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    const std::string id = readText(fields.to + "/" + kStoreIdentityFile);
    ASSERT_EQ(id.size(), 33u) << id;
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), 32u);
    EXPECT_EQ(ReadStoreId(fields.to), id.substr(0, 32));
    // Another spelling of the same folder is the same target.
    EXPECT_TRUE(RemembersStore(fields.to + "//", state()));
    EXPECT_TRUE(RemembersStore(dir / "target/../target/", state()));
    EXPECT_EQ(modeOf(state()), 0700u);

    // A second backup keeps the store's id (a second later: run folders
    // are named to the second).
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const QuietBackup again = backUp();
    ASSERT_FALSE(again.runFolder.empty());
    EXPECT_EQ(readText(fields.to + "/" + kStoreIdentityFile), id);
}

TEST_F(StoreIdentity, AnEmptyFolderWhereAStoreWasGetsNoBackupUntilChosenAgain)
{
    ASSERT_FALSE(backUp().runFolder.empty());
    // The disk unplugged: its mount point is an empty folder.
    fs::remove_all(fields.to);
    makeDirs(fields.to);
    EXPECT_EQ(WhyStoreMissing(fields.to, state()), missingText());

    const QuietBackup refused = backUp();
    EXPECT_TRUE(refused.runFolder.empty());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_NE(boxes.shown()[0].text.find(missingText()), std::string::npos) << boxes.shown()[0].text;
    EXPECT_TRUE(allNames(fields.to).empty());

    // Chosen again: it is the user's new store.
    ASSERT_TRUE(ForgetStore(fields.to, state()));
    EXPECT_EQ(WhyStoreMissing(fields.to, state()), "");
    ASSERT_FALSE(backUp().runFolder.empty());
    EXPECT_FALSE(ReadStoreId(fields.to).empty());
    EXPECT_TRUE(RemembersStore(fields.to, state()));
}

TEST_F(StoreIdentity, AnyStoresDiskIsAcceptedAndOtherTargetsStayRemembered)
{
    const std::string other = dir / "other";
    makeDirs(other);
    ASSERT_TRUE(NoteStore(other, state()));
    ASSERT_FALSE(backUp().runFolder.empty());
    const std::string first = ReadStoreId(fields.to);

    // The second of two disks that take turns at one mount point.
    fs::remove_all(fields.to);
    makeDirs(fields.to);
    writeText(fields.to + "/" + kStoreIdentityFile, "0123456789abcdef0123456789abcdef\n");
    const QuietBackup done = backUp();
    ASSERT_FALSE(done.runFolder.empty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(ReadStoreId(fields.to), "0123456789abcdef0123456789abcdef");
    EXPECT_NE(first, ReadStoreId(fields.to));

    // Forgetting one target leaves the others, and a folder that is not
    // there at all but held a store is a missing disk too.
    ASSERT_TRUE(ForgetStore(fields.to, state()));
    EXPECT_TRUE(RemembersStore(other, state()));
    fs::remove_all(other);
    EXPECT_NE(WhyStoreMissing(other, state()), "");
    // Paths of any bytes are remembered as they are.
    const std::string odd = dir / "line\nfeed \\ back";
    makeDirs(odd);
    ASSERT_TRUE(NoteStore(odd, state()));
    EXPECT_TRUE(RemembersStore(odd, state()));
    EXPECT_TRUE(RemembersStore(other, state()));
}

TEST_F(StoreIdentity, AnUnmountedDiskLeavesItsMountPointEmpty)
{
    auto run = [](const QStringList& arguments) {
        QProcess process;
        process.start(arguments.front(), arguments.mid(1));
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    };
    const QString mountPoint = QString::fromStdString(fields.to);
    if (!run({ "mount", "-t", "tmpfs", "-o", "size=16m", "quorvel-test", mountPoint }))
        GTEST_SKIP() << "this machine lets no tmpfs be mounted here (needs root and mount)";
    const QuietBackup onDisk = backUp();
    const bool stillThere = ReadStoreId(fields.to).size() == 32;
    ASSERT_TRUE(run({ "umount", mountPoint }));
    ASSERT_FALSE(onDisk.runFolder.empty());
    ASSERT_TRUE(stillThere);

    // The system disk's empty folder under the mount point.
    EXPECT_TRUE(allNames(fields.to).empty());
    EXPECT_TRUE(backUp().runFolder.empty());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(missingText()), std::string::npos);
    EXPECT_TRUE(allNames(fields.to).empty());
}

} // namespace
} // namespace testsupport
