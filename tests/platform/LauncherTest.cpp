#include "platform/Launcher.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// This process's children that run the given program, alive or not.
std::vector<int> childrenRunning(const std::string& program)
{
    std::vector<int> found;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    while (dirent* e = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string pid, comm, state, ppid;
        if (!(stat >> pid >> comm >> state >> ppid) || ppid != self)
            continue;
        std::ifstream cmdline(std::string("/proc/") + e->d_name + "/cmdline");
        std::string first;
        std::getline(cmdline, first, '\0');
        if (first == program)
            found.push_back(std::stoi(pid));
    }
    ::closedir(proc);
    return found;
}

} // namespace

TEST(ShellQuote, OnlyWhenNeeded)
{
    EXPECT_EQ(
        platform::shellQuoteIfNeeded("/usr/lib/quorvel-backup/wait.tmp"), "/usr/lib/quorvel-backup/wait.tmp");
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
        "echo one > " + outA
            + "\r\n"
              "pwd > here.txt\r\n"
              "printf '%s' \"two words\" > "
            + platform::shellQuoteIfNeeded(dir / "done"));
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

TEST(LaunchBatch, FolderNamesWithQuotesAndLineBreaksAreEnteredAsTheyAre)
{
    TempDir dir;
    const std::string folder = dir / "it's a \"$HOME\"\nfolder";
    testsupport::makeDirs(folder);
    testsupport::writeText(
        dir / "job.bat", "pwd > here.txt\r\necho x > " + platform::shellQuoteIfNeeded(dir / "done"));
    ASSERT_TRUE(platform::launchBatchDetached(dir / "job.bat", folder));
    ASSERT_TRUE(waitForFile(dir / "done"));
    EXPECT_EQ(testsupport::readText(folder + "/here.txt"), platform::shortPath(folder) + "\n");
}

TEST(LaunchBatch, JobsGoOnWhenTheJobShellWasEnded)
{
    TempDir dir;
    testsupport::writeText(dir / "first.bat", "echo x > " + platform::shellQuoteIfNeeded(dir / "first"));
    ASSERT_TRUE(platform::launchBatchDetached(dir / "first.bat", dir.path()));
    ASSERT_TRUE(waitForFile(dir / "first"));
    // Someone ends the shell that starts the jobs; the next job still runs.
    const std::vector<int> shells = childrenRunning("/bin/sh");
    ASSERT_FALSE(shells.empty());
    for (int pid : shells)
        ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    testsupport::writeText(dir / "second.bat", "echo x > " + platform::shellQuoteIfNeeded(dir / "second"));
    ASSERT_TRUE(platform::launchBatchDetached(dir / "second.bat", dir.path()));
    EXPECT_TRUE(waitForFile(dir / "second"));
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(LaunchBatch, LinesRunAsWrittenWithTheirQuotesAndBackslashes)
{
    TempDir dir;
    // A variable set by one line is seen by the next; an empty line and a
    // final line end change nothing.
    testsupport::writeText(dir / "job.bat",
        "x='it'\\''s $HOME'\r\n"
        "\r\n"
        "printf '%s|' \"$x\" 'back\\slash' \"two  spaces\" > out.txt\r\n"
        "echo x > "
            + platform::shellQuoteIfNeeded(dir / "done") + "\r\n");
    ASSERT_TRUE(platform::launchBatchDetached(dir / "job.bat", dir.path()));
    ASSERT_TRUE(waitForFile(dir / "done"));
    EXPECT_EQ(testsupport::readText(dir / "out.txt"), "it's $HOME|back\\slash|two  spaces|");
}

TEST(LaunchBatch, AJobStartsAtOnceWhileAnEarlierOneStillRuns)
{
    TempDir dir;
    // The first job is still at work when the second is launched (as after a
    // job that was given up for not starting in time); the second must not
    // wait for it, and the first must still finish.
    testsupport::writeText(dir / "slow.bat", "echo x > started\r\nsleep 2\r\necho x > first");
    testsupport::writeText(dir / "quick.bat", "echo x > second");
    ASSERT_TRUE(platform::launchBatchDetached(dir / "slow.bat", dir.path()));
    ASSERT_TRUE(waitForFile(dir / "started"));
    const auto launched = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::launchBatchDetached(dir / "quick.bat", dir.path()));
    ASSERT_TRUE(waitForFile(dir / "second"));
    EXPECT_LT(std::chrono::steady_clock::now() - launched, std::chrono::milliseconds(1500));
    EXPECT_FALSE(platform::fileExists(dir / "first"));
    EXPECT_TRUE(waitForFile(dir / "first"));

    // The shell left to the first job ends with it and is reaped by a later
    // launch; jobs go on as before.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    testsupport::writeText(dir / "third.bat", "echo x > third");
    ASSERT_TRUE(platform::launchBatchDetached(dir / "third.bat", dir.path()));
    EXPECT_TRUE(waitForFile(dir / "third"));
    EXPECT_EQ(zombieChildren(), 0);
    EXPECT_EQ(childrenRunning("/bin/sh").size(), 1u);
}

TEST(LaunchBatch, ALineTheShellCannotParseEndsOnlyThatLine)
{
    TempDir dir;
    testsupport::writeText(dir / "job.bat", "echo x > before\r\nif then 'unclosed\r\necho x > after");
    ASSERT_TRUE(platform::launchBatchDetached(dir / "job.bat", dir.path()));
    ASSERT_TRUE(waitForFile(dir / "after"));
    EXPECT_TRUE(platform::fileExists(dir / "before"));

    // The same shell takes the next job, in its own folder, not the last one's.
    const std::vector<int> shells = childrenRunning("/bin/sh");
    testsupport::makeDirs(dir / "other");
    testsupport::writeText(
        dir / "next.bat", "pwd > here.txt\r\necho x > " + platform::shellQuoteIfNeeded(dir / "next"));
    ASSERT_TRUE(platform::launchBatchDetached(dir / "next.bat", dir / "other"));
    ASSERT_TRUE(waitForFile(dir / "next"));
    EXPECT_EQ(testsupport::readText(dir / "other/here.txt"), platform::shortPath(dir / "other") + "\n");
    EXPECT_EQ(childrenRunning("/bin/sh"), shells);
}

namespace {

// A process that is gone, or only a zombie left to be reaped by someone else.
bool isGoneOrZombie(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return true;
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z';
}

int readPid(const std::string& path)
{
    std::ifstream in(path);
    int pid = 0;
    in >> pid;
    return pid;
}

} // namespace

// A program killed outright takes its jobs along: the job shell, and the
// program the job runs, which is the shell's child and not the program's,
// with nothing in its line to tie it to the shell.
TEST(LaunchBatch, AKilledProgramTakesItsJobShellAndTheJobsProgramAlong)
{
    TempDir dir;
    testsupport::writeText(dir / "job.bat",
        "echo $$ > " + dir.path() + "/shell.pid\n/bin/sh -c 'echo $$ > " + dir.path()
            + "/program.pid; exec sleep 60'\n");
    // The program: this test program started afresh (a fork would share
    // this one's job shell), running only the helper below.
    const pid_t program = ::fork();
    if (program == 0) {
        ::setenv("QUORVEL_JOB_HELPER_DIR", dir.path().c_str(), 1);
        ::execl("/proc/self/exe", "platform_tests", "--gtest_filter=LaunchBatch.HelperStartsAJobAndWaits",
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(program, 0);
    ASSERT_TRUE(waitForFile(dir / "program.pid"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int shell = readPid(dir / "shell.pid");
    const int job = readPid(dir / "program.pid");
    ASSERT_GT(shell, 0);
    ASSERT_GT(job, 0);
    EXPECT_FALSE(isGoneOrZombie(shell));
    EXPECT_FALSE(isGoneOrZombie(job));

    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((!isGoneOrZombie(shell) || !isGoneOrZombie(job)) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(isGoneOrZombie(shell));
    EXPECT_TRUE(isGoneOrZombie(job));
    if (!isGoneOrZombie(job))
        ::kill(job, SIGKILL);
}

// Run only by the test above, in a process of its own.
TEST(LaunchBatch, HelperStartsAJobAndWaits)
{
    const char* dir = std::getenv("QUORVEL_JOB_HELPER_DIR");
    if (!dir)
        return;
    (void)platform::launchBatchDetached(std::string(dir) + "/job.bat", dir);
    ::pause();
}

// The shell's death signal follows the thread that started it, so a job is
// started from the main thread only.
TEST(LaunchBatch, AJobFromAnotherThreadIsRefused)
{
    TempDir dir;
    testsupport::writeText(dir / "job.bat", "echo x > " + dir.path() + "/ran");
    bool launched = true;
    std::thread([&] { launched = platform::launchBatchDetached(dir / "job.bat", dir.path()).ok(); }).join();
    EXPECT_FALSE(launched);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(platform::fileExists(dir / "ran"));
}
