// The arguments of the command line: what the parser takes, what it refuses
// with a short line, the usage and status 2, and the answers that need no run.
#include "tests/app/ConsoleProgram.h"

#include "tests/support/StoreFixtures.h"

#include <chrono>
#include <thread>

namespace testsupport {
namespace {

class CommandLine : public ConsoleProgram {
protected:
    // Refused: status 2, the reason first on standard error, then the usage,
    // and nothing made in the backup target.
    void expectRefused(const QStringList& arguments, const std::string& reason)
    {
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString() << "\n" << run.out << run.err;
        EXPECT_EQ(run.err.rfind(reason, 0), 0u) << arguments.join(' ').toStdString() << "\n" << run.err;
        EXPECT_TRUE(holds(run.err, "Usage:")) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(allNames(target).empty());
    }
};

TEST_F(CommandLine, ShortHelpAndVersionAnswerWithoutDisplay)
{
    for (const QString help : { "-h", "--help" }) {
        const ProgramRun run = runProgram({ help });
        EXPECT_EQ(run.status, 0) << help.toStdString() << run.err;
        // Every command, with what it returns.
        for (const char* command : { "--backup [--full] [--dry-run] [--jobs J]", "--list",
                 "--restore latest|DATE [--to FOLDER] [--only PATH]... [--jobs J]", "--prune [--dry-run]",
                 "-h | --help", "-V | --version" })
            EXPECT_TRUE(holds(run.out, command)) << command << "\n" << run.out;
        EXPECT_TRUE(holds(run.out, "failed N, stopped or incomplete")) << run.out;
        const std::vector<std::string> lines = linesOf(run.out);
        EXPECT_GE(std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) { return holds(line, "Exit status: 0"); }),
            5)
            << run.out;
    }
    for (const QString version : { "-V", "--version" }) {
        const ProgramRun run = runProgram({ version });
        EXPECT_EQ(run.status, 0) << version.toStdString() << run.err;
        EXPECT_EQ(run.out.rfind("Quorvel Backup ", 0), 0u) << run.out;
    }
}

TEST_F(CommandLine, AnOptionIsNeverTakenAsAValue)
{
    saveSettings(target, restored);
    expectRefused(
        { "--restore", "--to", QString::fromStdString(restored) }, "--restore needs a DATE before --to.");
    expectRefused({ "--restore", "latest", "--to", "--full" }, "--to needs a FOLDER before --full.");
    expectRefused({ "--restore=-x" }, "--restore needs a DATE before -x.");
    expectRefused({ "--restore" }, "Missing value after '--restore'.");
}

TEST_F(CommandLine, LeftoverWordsAreRefusedAndASplitDateIsToldToBeQuoted)
{
    saveSettings(target, restored);
    expectRefused({ "--list", "extra" }, "Unexpected argument: extra");
    expectRefused({ "--backup", "--", "--full" }, "Unexpected argument: --full");
    const std::string quote = "A date with a space must be quoted";
    expectRefused({ "--restore", "12/05/2026", "09:06:11", "PM" }, quote);
    expectRefused({ "--restore", "2026-12-05", "21:06:11" }, quote);
    expectRefused({ "--restore", "05.12.2026", "21.06" }, quote);
}

TEST_F(CommandLine, EachOptionGoesWithItsCommandOnly)
{
    saveSettings(target, restored);
    expectRefused({ "--list", "--full" }, "--full goes only with --backup.");
    expectRefused({ "--restore", "latest", "--full" }, "--full goes only with --backup.");
    expectRefused({ "--backup", "--to", QString::fromStdString(restored) }, "--to goes only with --restore.");
    expectRefused({ "--full" }, "--full goes only with --backup.");
    expectRefused({ "--backup", "--list" }, "One command at a time: --backup and --list.");
    expectRefused({ "--version", "--backup" }, "One command at a time: --backup and --version.");
    expectRefused({ "--list", "--list" }, "--list is given more than once.");
    expectRefused({ "--restore", "latest", "--restore", "latest" }, "--restore is given more than once.");
    expectRefused({ "--backup", "--fast" }, "Unknown option 'fast'.");
    expectRefused({ "--list", "--jobs", "2" }, "--jobs goes only with --backup or --restore.");
    for (const QStringList& arguments :
        { QStringList{ "--backup", "--jobs", "0" }, QStringList{ "--restore", "latest", "--jobs=2x" } }) {
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.status, 2) << run.out << run.err;
        EXPECT_TRUE(holds(run.err, "--jobs takes a number of jobs from 1 to 64, not \"")) << run.err;
        EXPECT_TRUE(allNames(target).empty());
    }
    expectRefused({ "-v" }, "Unknown option 'v'.");
}

TEST_F(CommandLine, OptionsInAnyOrderAndWithEqualsSign)
{
    writeText(source + "/file.txt", "x");
    saveSettings(target, restored);
    ASSERT_EQ(runProgram({ "--backup" }).status, 0);
    // Run folders are named to the second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const ProgramRun backup = runProgram({ "--full", "--backup" });
    ASSERT_EQ(backup.status, 0) << backup.out << backup.err;
    EXPECT_TRUE(holdsLine(backup.out, "Every folder is compressed: a full backup was asked for."))
        << backup.out;

    const std::string elsewhere = m_data / "elsewhere";
    makeDirs(elsewhere);
    const ProgramRun restore
        = runProgram({ "--to=" + QString::fromStdString(elsewhere), "--restore=latest" });
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(readText(elsewhere + source + "/file.txt"), "x");
}

} // namespace
} // namespace testsupport
