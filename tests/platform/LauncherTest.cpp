#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <thread>

using testsupport::TempDir;

namespace {

bool waitForFile(const std::string& path, std::chrono::seconds limit = std::chrono::seconds(10))
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (platform::fileExists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Children of this process that have exited but were not reaped.
int zombieChildren()
{
    int count = 0;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    while (dirent* e = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string pid, comm, state, ppid;
        if (stat >> pid >> comm >> state >> ppid && ppid == self && state == "Z")
            ++count;
    }
    ::closedir(proc);
    return count;
}

} // namespace

TEST(ShellQuote, OnlyWhenNeeded)
{
    EXPECT_EQ(platform::shellQuoteIfNeeded("/usr/lib/quorvel-backup/wait.tmp"), "/usr/lib/quorvel-backup/wait.tmp");
    EXPECT_EQ(platform::shellQuoteIfNeeded("/a b/"), "'/a b/'");
    EXPECT_EQ(platform::shellQuoteIfNeeded("/it's/"), "'/it'\\''s/'");
    EXPECT_EQ(platform::shellQuoteIfNeeded("/$HOME/`x`/"), "'/$HOME/`x`/'");
}

TEST(LaunchBatch, RunsCrlfLinesInTheWorkingFolder)
{
    TempDir dir;
    testsupport::makeDirs(dir / "work dir");
    const std::string outA = platform::shellQuoteIfNeeded(dir / "out a");
    testsupport::writeText(dir / "job.bat",
                           "echo one > " + outA + "\r\n"
                           "pwd > here.txt\r\n"
                           "printf '%s' \"two words\" > " + platform::shellQuoteIfNeeded(dir / "done"));
    ASSERT_TRUE(platform::launchBatchDetached(dir / "job.bat", dir / "work dir"));
    ASSERT_TRUE(waitForFile(dir / "done"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(testsupport::readText(dir / "out a"), "one\n");
    EXPECT_EQ(testsupport::readText(dir / "work dir/here.txt"), platform::shortPath(dir / "work dir") + "\n");
    // The last line has no line end and still runs, without a stray carriage return.
    EXPECT_EQ(testsupport::readText(dir / "done"), "two words");
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(LaunchBatch, MissingWorkingFolderRunsNothing)
{
    TempDir dir;
    testsupport::writeText(dir / "job.bat", "echo x > " + dir.path() + "/ran");
    EXPECT_TRUE(platform::launchBatchDetached(dir / "job.bat", dir / "missing"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(platform::fileExists(dir / "ran"));
    EXPECT_EQ(zombieChildren(), 0);
}
