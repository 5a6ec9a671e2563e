// The program killed outright (SIGKILL) in the middle of a large folder's
// archive, and a terminal that closes on a run (SIGHUP): real processes of
// the built program, with no display, a settings file of their own and the
// real archiver. A killed program takes its archiver with it; the cut-short
// run stays incomplete and the next backup goes on as if nothing happened.
#include "app/MainSettings.h"
#include "platform/SettingsFile.h"
#include "store/Archiver.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Sizes = std::map<std::string, std::uintmax_t>;

// Every file below the folder with its size.
Sizes sizesBelow(const std::string& folder)
{
    Sizes sizes;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            sizes[entry.path().string()] = entry.file_size();
    }
    return sizes;
}

// The processes whose command line holds `word` as one of its arguments.
std::vector<pid_t> processesWithArgument(const std::string& word)
{
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        for (std::string argument; std::getline(in, argument, '\0');) {
            if (argument == word) {
                found.push_back(static_cast<pid_t>(std::stol(name)));
                break;
            }
        }
    }
    return found;
}

// A process that is gone, or only a zombie left to be reaped.
bool isGone(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat))
        return true;
    // "PID (name) STATE ...": the name may hold anything but ends at the last ')'.
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z';
}

class KilledBackup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_programFolder = std::make_unique<TempDir>("", "quorvel-killed-");
        fs::copy_file(
            std::string(std::getenv("QUORVEL_TEST_BIN")) + "/Vimblor", *s_programFolder / "Vimblor");
        linkArchiver(s_programFolder->path());
    }
    static void TearDownTestSuite() { s_programFolder.reset(); }

    KilledBackup()
    {
        makeDirs(small);
        makeDirs(big);
        makeDirs(target);
        makeDirs(restored);
        writeText(small + "/note.txt", "kept");
        writeRandomFile(big + "/blob.bin", 150);
        platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
        saveMainSettings(store, { { source }, target, restored });
    }

    void start(QProcess& process, const QStringList& arguments) const
    {
        QProcessEnvironment env;
        env.insert("HOME", QString::fromStdString(m_home.path()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_home / "config"));
        env.insert("XDG_STATE_HOME", QString::fromStdString(m_home / "state"));
        env.insert("PATH", "/usr/bin:/bin");
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(*s_programFolder / "Vimblor"), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    int finish(QProcess& process) const
    {
        EXPECT_TRUE(process.waitForFinished(180000));
        m_out = process.readAllStandardOutput().toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Starts a backup and waits until the archiver has written a few
    // megabytes of the large folder's archive, a second or more after the
    // start, so that the next run gets a run folder of its own; returns the
    // archive's path.
    std::string backUpIntoTheLargeFolder(QProcess& process)
    {
        start(process, { "--backup" });
        const auto started = std::chrono::steady_clock::now();
        std::string archive;
        for (int i = 0; i < 1200; ++i) {
            const std::string runFolder = onlyRunFolder(target);
            archive = runFolder.empty() ? std::string() : runFolder + "/" + ArchiveName(big + "/");
            std::error_code error;
            if (!archive.empty() && fs::file_size(archive, error) > (2u << 20) && !error
                && std::chrono::steady_clock::now() - started > std::chrono::milliseconds(1100))
                return archive;
            process.waitForFinished(50);
        }
        ADD_FAILURE() << "the large folder's archive did not grow";
        return archive;
    }

    static std::unique_ptr<TempDir> s_programFolder;
    TempDir m_home;
    TempDir m_data;
    mutable std::string m_out;
    const std::string source = m_data / "source";
    const std::string small = source + "/a small one";
    const std::string big = source + "/big";
    const std::string target = m_data / "target";
    const std::string restored = m_data / "restored";
};

std::unique_ptr<TempDir> KilledBackup::s_programFolder;

TEST_F(KilledBackup, AKilledProgramTakesItsArchiverAlongAndTheNextBackupCompletes)
{
    QProcess killed;
    const std::string partial = backUpIntoTheLargeFolder(killed);
    const std::vector<pid_t> archivers = processesWithArgument(partial);
    ASSERT_EQ(archivers.size(), 1u) << partial;
    const std::string cutShort = onlyRunFolder(target);
    killed.kill();
    EXPECT_EQ(finish(killed), -1);

    // The archiver goes with the program, at once.
    for (int i = 0; i < 100 && !isGone(archivers[0]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(isGone(archivers[0])) << "the archiver of the killed program still runs";
    const Sizes afterKill = sizesBelow(cutShort);

    // A new backup at once: it completes, and is not harmed by the job files
    // the killed one left behind.
    QProcess next;
    start(next, { "--backup" });
    EXPECT_EQ(finish(next), 0) << m_out;
    std::string newRun;
    for (const auto& entry : fs::directory_iterator(target)) {
        if (entry.path() != cutShort && entry.is_directory())
            newRun = entry.path().string();
    }
    ASSERT_FALSE(newRun.empty());
    EXPECT_TRUE(ReadRunState(newRun).complete);
    // The cut-short run stays incomplete, its partial archive as it was left,
    // not taken over by the new run.
    EXPECT_FALSE(ReadRunState(cutShort).complete);
    const std::string archive = newRun + "/" + ArchiveName(big + "/");
    EXPECT_TRUE(IsCompleteArchive(archive));
    EXPECT_FALSE(fs::equivalent(archive, partial));

    // Nothing appears or grows in either run folder once the runs are over.
    const Sizes newRunSizes = sizesBelow(newRun);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(sizesBelow(cutShort), afterKill);
    EXPECT_EQ(sizesBelow(newRun), newRunSizes);

    // Every folder restores from the new run.
    QProcess restore;
    start(restore, { "--restore", "latest" });
    EXPECT_EQ(finish(restore), 0) << m_out;
    EXPECT_EQ(readText(restored + small + "/note.txt"), "kept");
    EXPECT_EQ(fs::file_size(restored + big + "/blob.bin"), fs::file_size(big + "/blob.bin"));
    EXPECT_EQ(readText(restored + big + "/blob.bin"), readText(big + "/blob.bin"));
}

TEST_F(KilledBackup, AClosedTerminalStopsTheRunAsTermDoes)
{
    QProcess hungUp;
    const std::string partial = backUpIntoTheLargeFolder(hungUp);
    ::kill(static_cast<pid_t>(hungUp.processId()), SIGHUP);
    EXPECT_EQ(finish(hungUp), 1);
    // Stopped as the user's stop does: the archiver's partial archive goes,
    // the run stays incomplete, and no archiver is left running.
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_FALSE(ReadRunState(onlyRunFolder(target)).complete);
    EXPECT_TRUE(processesWithArgument(partial).empty());
    EXPECT_NE(m_out.find("Summary: "), std::string::npos) << m_out;
}

} // namespace
} // namespace testsupport
