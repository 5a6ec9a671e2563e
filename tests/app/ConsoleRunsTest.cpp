// The program run from the command line: what it prints, what it leaves on
// disk and the status it returns.
#include "tests/app/ConsoleProgram.h"

#include "platform/RunLock.h"
#include "store/JobRunner.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using ConsoleRuns = ConsoleProgram;

TEST_F(ConsoleRuns, BackupListAndRestoreLatestRunWithoutDisplay)
{
    makeDirs(source + "/inner");
    writeText(source + "/top.txt", "top");
    writeText(source + "/inner/deep.txt", "deep");
    saveSettings(target, restored);

    const ProgramRun backup = runProgram({ "--backup" });
    EXPECT_EQ(backup.status, 0) << backup.out << backup.err;
    EXPECT_TRUE(holdsLine(backup.out, "Starting Backup...")) << backup.out;
    EXPECT_TRUE(holdsLine(backup.out, "End:     Copy Folders and compress...")) << backup.out;
    EXPECT_TRUE(archivesBelow(source).empty());

    const ProgramRun list = runProgram({ "--list" });
    EXPECT_EQ(list.status, 0) << list.err;
    const auto listed = linesOf(list.out);
    ASSERT_EQ(listed.size(), 1u) << list.out;
    const std::string date = listed[0].substr(0, listed[0].find('\t'));
    EXPECT_EQ(listed[0], date + "\tcomplete\t2\tunchecked");

    const ProgramRun restore = runProgram({ "--restore", "latest" });
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_TRUE(holdsLine(restore.out, "Found:   2 compressed folders...")) << restore.out;
    // The question of the date dialog is not asked, not even as a log line.
    EXPECT_EQ(restore.out.find("Continue?"), std::string::npos);
    EXPECT_EQ(readText(restored + source + "/inner/deep.txt"), "deep");

    // The date as the list prints it, into another folder.
    const std::string elsewhere = m_data / "elsewhere";
    makeDirs(elsewhere);
    const ProgramRun byDate = runProgram(
        { "--restore", QString::fromStdString(date), "--to", QString::fromStdString(elsewhere) });
    EXPECT_EQ(byDate.status, 0) << byDate.out << byDate.err;
    EXPECT_EQ(readText(elsewhere + source + "/top.txt"), "top");
}

TEST_F(ConsoleRuns, ARepeatBackupTakesOverUnchangedFoldersUnlessAFullOneIsAsked)
{
    writeText(source + "/kept.txt", "kept");
    // A file changed less than two seconds before a run looks at its folder
    // makes the next run compress that folder again.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    saveSettings(target, restored);
    const ProgramRun first = runProgram({ "--backup" });
    EXPECT_EQ(first.status, 0) << first.out << first.err;

    // Run folders are named to the second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const ProgramRun repeat = runProgram({ "--backup" });
    EXPECT_EQ(repeat.status, 0) << repeat.out << repeat.err;
    EXPECT_TRUE(holdsLine(repeat.out, "Reused:  " + source + "/")) << repeat.out;

    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const ProgramRun full = runProgram({ "--backup", "--full" });
    EXPECT_EQ(full.status, 0) << full.out << full.err;
    EXPECT_TRUE(holdsLine(full.out, "Every folder is compressed: a full backup was asked for.")) << full.out;
    EXPECT_EQ(full.out.find("Reused:"), std::string::npos) << full.out;

    // The choice saved from the main window holds for the scheduled runs too.
    platform::SettingsFile store(m_home / "config/Quorvel Backup/settings.ini");
    saveMainSettings(store, { { source }, target, restored, true });
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const ProgramRun saved = runProgram({ "--backup" });
    EXPECT_TRUE(holdsLine(saved.out, "Every folder is compressed: a full backup was asked for."))
        << saved.out;
}

TEST_F(ConsoleRuns, ListsNewestFirstWithStateAndFolderCount)
{
    const std::string older = makeRunFolder(target, dateText(2025, 3, 1, 9, 0, 0));
    const std::string newer = makeRunFolder(target, dateText(2026, 1, 2, 10, 30, 5));
    writeText(source + "/file.txt", "x");
    storeFolder(older, source + "/");
    writeText(older + kIncompleteMarker, "");
    saveSettings(target, restored);

    const ProgramRun list = runProgram({ "--list" });
    EXPECT_EQ(list.status, 0) << list.err;
    const auto listed = linesOf(list.out);
    ASSERT_EQ(listed.size(), 2u) << list.out;
    EXPECT_EQ(listed[0], dateText(2026, 1, 2, 10, 30, 5) + "\tcomplete\t0\tunchecked");
    EXPECT_EQ(listed[1], dateText(2025, 3, 1, 9, 0, 0) + "\tincomplete\t1\tunchecked");
}

TEST_F(ConsoleRuns, RunsThatCannotStartReturnTwo)
{
    // No settings at all.
    EXPECT_EQ(runProgram({ "--backup" }).status, 2);
    EXPECT_EQ(runProgram({ "--list" }).status, 2);

    // A backup target that is not there.
    saveSettings(m_data / "gone", restored);
    EXPECT_EQ(runProgram({ "--backup" }).status, 2);
    EXPECT_EQ(runProgram({ "--restore", "latest" }).status, 2);

    // A date that names no run, and a restore target that is not there.
    saveSettings(target, restored);
    makeRunFolder(target, dateText(2026, 1, 2, 10, 30, 5));
    EXPECT_EQ(runProgram({ "--restore", "1999-01-01 00:00:01" }).status, 2);
    EXPECT_EQ(
        runProgram({ "--restore", "latest", "--to", QString::fromStdString(m_data / "nowhere") }).status, 2);

    // Another run holds the program's folder: nothing is made.
    {
        const platform::RunLock held(RunLockFile(programFolder()));
        ASSERT_TRUE(held.held());
        const ProgramRun busy = runProgram({ "--backup" });
        EXPECT_EQ(busy.status, 2) << busy.out;
        EXPECT_TRUE(allNames(target).size() == 1u); // only the run folder made by hand
    }

    // Words the program does not know.
    const ProgramRun unknown = runProgram({ "--backup", "--fast" });
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Usage:"), std::string::npos);
}

TEST_F(ConsoleRuns, MissingArchiverReturnsTwo)
{
    saveSettings(target, restored);
    fs::remove(programFolder() + "/7z");
    const ProgramRun backup = runProgram({ "--backup" });
    linkArchiver(programFolder());
    EXPECT_EQ(backup.status, 2) << backup.out;
    EXPECT_TRUE(allNames(target).empty());
}

TEST_F(ConsoleRuns, DamagedArchiveRestoresWithStatusOneAndNoQuestionAnsweredYes)
{
    std::string bytes;
    for (int i = 0; i < 4000; ++i)
        bytes += std::to_string(i * 7919) + "\n";
    writeText(source + "/data.txt", bytes);
    const std::string runFolder = makeRunFolder(target, dateText(2026, 1, 2, 10, 30, 5));
    storeFolder(runFolder, source + "/");
    const std::string archive = runFolder + ArchiveName(source + "/");
    fs::resize_file(archive, fs::file_size(archive) / 2);
    saveSettings(target, restored);

    const ProgramRun restore = runProgram({ "--restore", "latest" });
    EXPECT_EQ(restore.status, 1) << restore.out << restore.err;
    // The boxes became log lines; the offer to read the archiver's report
    // got its safe answer.
    EXPECT_NE(restore.out.find("Box:     Read file? "), std::string::npos) << restore.out;
    EXPECT_NE(restore.out.find("Box:     Error! "), std::string::npos) << restore.out;
}

TEST_F(ConsoleRuns, HelpAndVersion)
{
    const ProgramRun help = runProgram({ "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(
        help.out.find("--restore latest|DATE [--to FOLDER] [--only PATH]... [--jobs J]"), std::string::npos);
    const ProgramRun version = runProgram({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("Quorvel Backup ", 0), 0u) << version.out;
}

// SIGTERM in the middle of a large folder's archive: the archiver is ended,
// its partial archive leaves the source folder, the folder does not reach
// the run folder and the run's closing lines are not written.
TEST_F(ConsoleRuns, TermSignalStopsBackupInTheMiddleOfALargeFolder)
{
    const std::string big = source + "/big";
    makeDirs(big);
    writeRandomFile(big + "/blob.bin", 200);
    saveSettings(target, restored);

    QProcess process;
    start(process, { "--backup" });
    // Waits until the archiver has begun the large folder's archive, which
    // grows in the run folder.
    const auto partialExists = [&] {
        const std::string runFolder = onlyRunFolder(target);
        return !runFolder.empty() && fs::exists(runFolder + "/" + ArchiveName(big + "/"));
    };
    for (int i = 0; i < 600 && !partialExists(); ++i)
        process.waitForFinished(50);
    ASSERT_TRUE(partialExists());
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    const ProgramRun stopped = finish(process);

    EXPECT_EQ(stopped.status, 1) << stopped.out << stopped.err;
    EXPECT_EQ(allNames(big), std::vector<std::string>{ "blob.bin" });
    EXPECT_FALSE(holdsLine(stopped.out, "End:     Copy Folders and compress...")) << stopped.out;
    const std::string runFolder = onlyRunFolder(target);
    ASSERT_FALSE(runFolder.empty());
    EXPECT_FALSE(fs::exists(runFolder + "/" + ArchiveName(big + "/")));
    // The run stays marked as one that did not reach its end.
    EXPECT_FALSE(ReadRunState(runFolder).complete);
    const ProgramRun list = runProgram({ "--list" });
    const auto listed = linesOf(list.out);
    ASSERT_EQ(listed.size(), 1u) << list.out;
    EXPECT_TRUE(holds(listed[0], "\tstopped\t")) << listed[0];
    // No archiver is left running on the folder.
    EXPECT_TRUE(archivesBelow(source).empty());
}

} // namespace
} // namespace testsupport
