// A socket or a FIFO among a folder's files: the archiver stores only its
// name and kind, and a restore brings back an empty file in its place, so the
// backup names every such entry once and the rest of the folder comes back
// whole.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "backup/BackupRun.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace testsupport {
namespace {

// Leaves a socket file at `path`, as a program that listened there and ended does.
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

class FifosAndSockets : public BackupRestoreFixture { };

TEST_F(FifosAndSockets, ASocketAndAFifoAreNamedOnceAndTheFolderComesBack)
{
    const std::string folder = dir / "src/run/";
    makeDirs(folder);
    writeText(folder + "a.txt", "alpha");
    ASSERT_TRUE(makeSocketFile(folder + "listener.sock"));
    ASSERT_EQ(::mkfifo((folder + "pipe").c_str(), 0600), 0);

    fields.from = { folder };
    std::vector<std::string> log;
    LogHost host([&](const std::string& line) { log.push_back(line); });
    BackupRun run(host, fields, app.path());
    run.run();

    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    const std::string warning = "Warning: Entries a restore cannot bring back as they were (FIFO, socket or "
                                "device) in "
        + folder + ": listener.sock, pipe";
    EXPECT_EQ(std::count(log.begin(), log.end(), warning), 1);
    EXPECT_EQ(run.summary().warnings.size(), 1u);
    EXPECT_EQ(run.summary().done, 1);
    EXPECT_EQ(readText(runFolder + ArchiveName(folder) + ".dat"), "3");

    restore(date);
    EXPECT_TRUE(shownAfterQuestion().empty()) << shownAfterQuestion()[0].text;
    const std::string restored = fields.unBackupTo + folder;
    EXPECT_EQ(readText(restored + "a.txt"), "alpha");
    EXPECT_EQ(allNames(restored), (std::vector<std::string>{ "a.txt", "listener.sock", "pipe" }));
}

} // namespace
} // namespace testsupport
