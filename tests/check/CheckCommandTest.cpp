// Vimblor --check as a process of its own with the real archiver: damage
// named with every run that holds it and an exit status that says so, the
// runs' fourth column in --list, the next backup storing the folder anew,
// the time given by QUORVEL_CHECK_SECONDS kept, a check killed outright
// that the next one takes up where it stopped, and the check that follows
// a scheduled backup.
#include "store/CheckRecord.h"
#include "store/StoreLayout.h"
#include "tests/app/ConsoleProgram.h"
#include "tests/support/StoreFixtures.h"

#include <QProcess>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class CheckCommand : public ConsoleProgram {
protected:
    void makeSources()
    {
        for (const char* name : { "one", "two" }) {
            makeDirs(source + "/" + name);
            writeText(source + "/" + name + "/a.txt", std::string("a of ") + name);
        }
        saveSources({ source + "/one", source + "/two" }, target, restored);
        // Older than the newest change a backup trusts to have seen, so that
        // repeat backups take the archives over.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }

    // Backs up, a second later than the run before, so each run has a folder of its own.
    void backUp(const std::map<std::string, std::string>& extra = {})
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        const ProgramRun run = runProgram({ "--backup" }, extra);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
    }

    std::vector<std::string> listed()
    {
        const ProgramRun run = runProgram({ "--list" });
        EXPECT_EQ(run.status, 0) << run.err;
        return linesOf(run.out);
    }

    static std::vector<std::string> fields(const std::string& line)
    {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            out.push_back(line.substr(start, tab - start));
        out.push_back(line.substr(start));
        return out;
    }

    std::string archiveOf(const std::string& date, const std::string& folder) const
    {
        return RunFolderPath(target, date) + "/" + ArchiveName(folder);
    }
};

TEST_F(CheckCommand, AFlippedByteSharedByThreeRunsIsNamedWithAllThreeAndTheNextBackupStoresItAnew)
{
    makeSources();
    for (int i = 0; i < 3; ++i)
        backUp();
    std::vector<std::string> dates;
    for (const std::string& line : listed()) {
        dates.push_back(fields(line)[0]);
        EXPECT_EQ(fields(line).size(), 4u);
        EXPECT_EQ(fields(line)[3], "unchecked");
    }
    ASSERT_EQ(dates.size(), 3u);
    const std::string damaged = archiveOf(dates[2], source + "/two/");
    ASSERT_TRUE(fs::equivalent(damaged, archiveOf(dates[0], source + "/two/")));
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(40);
        const char byte = static_cast<char>(file.get() ^ 0x21);
        file.seekp(40);
        file.put(byte);
    }

    const ProgramRun found = runProgram({ "--check" }, { { "QUORVEL_CHECK_SECONDS", "120" } });
    EXPECT_EQ(found.status, 1) << found.out << found.err;
    EXPECT_TRUE(holdsLine(found.out,
        "Damaged: " + source + "/two in the archive of 3 runs: " + dates[0] + ", " + dates[1] + ", "
            + dates[2]))
        << found.out;
    EXPECT_TRUE(holdsLine(found.out, "2 archives checked, 1 damaged; every archive checked today"))
        << found.out;
    for (const std::string& line : listed())
        EXPECT_EQ(fields(line)[3], "1 damaged") << line;

    const ProgramRun next = runProgram({ "--backup" });
    EXPECT_EQ(next.status, 0) << next.out;
    EXPECT_TRUE(holds(next.out, "Damaged: the last check found the archive of " + source + "/two/"))
        << next.out;
    const std::string newest = fields(listed()[0])[0];
    EXPECT_FALSE(fs::equivalent(damaged, archiveOf(newest, source + "/two/")));
    EXPECT_TRUE(runArchiver(RunFolderPath(target, newest), { "t", ArchiveName(source + "/two/") }));

    // The older runs still hold the damaged file: a full check still fails.
    const ProgramRun all = runProgram({ "--check", "--all" });
    EXPECT_EQ(all.status, 1) << all.out;
    EXPECT_TRUE(holds(all.out, "1 damaged; every archive checked today")) << all.out;
    EXPECT_TRUE(holds(fields(listed()[0])[3], "checked ")) << listed()[0];
}

TEST_F(CheckCommand, TheTimeGivenInSecondsIsKeptAndWhatWasNotTestedWaitsForTheNextCheck)
{
    makeSources();
    backUp();
    // Every test takes three seconds more than the archiver needs.
    const std::string archiver = programFolder() + "/7z";
    fs::remove(archiver);
    writeArchiverScript(programFolder(), "if [ \"$1\" = t ]; then sleep 3; fi\nexec \"$REAL\" \"$@\"");
    const auto began = std::chrono::steady_clock::now();
    const ProgramRun run = runProgram({ "--check" }, { { "QUORVEL_CHECK_SECONDS", "4" } });
    const auto took = std::chrono::steady_clock::now() - began;
    fs::remove(archiver);
    linkArchiver(programFolder());
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_TRUE(holdsLine(run.out, "1 archive checked, 0 damaged; 1 of 2 archives not checked yet"))
        << run.out;
    EXPECT_EQ(linesOf(readText(CheckRecordPath(target))).size(), 1u);
    EXPECT_EQ(fields(listed()[0])[3], "partly checked");
}

// The folders a check's output says it tested, in its order.
std::vector<std::string> testedIn(const std::string& out)
{
    std::vector<std::string> tested;
    for (const std::string& line : linesOf(out)) {
        if (line.starts_with("Testing: "))
            tested.push_back(line.substr(9));
    }
    return tested;
}

TEST_F(CheckCommand, ACheckKilledOutrightIsTakenUpWhereItStoppedByTheNextCheck)
{
    std::vector<std::string> folders;
    for (int i = 0; i < 6; ++i) {
        folders.push_back(source + "/folder" + std::to_string(i));
        makeDirs(folders.back());
        writeText(folders.back() + "/f.txt", folders.back());
    }
    saveSources(folders, target, restored);
    backUp();

    // Every test takes a second more than the archiver needs, so that the
    // kill lands while one runs.
    const std::string archiver = programFolder() + "/7z";
    fs::remove(archiver);
    writeArchiverScript(programFolder(), "if [ \"$1\" = t ]; then sleep 1; fi\nexec \"$REAL\" \"$@\"");
    QProcess killed;
    start(killed, { "--check", "--all" });
    const std::string record = CheckRecordPath(target);
    for (int i = 0; i < 600; ++i) {
        if (fs::exists(record) && linesOf(readText(record)).size() >= 2)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(::kill(static_cast<pid_t>(killed.processId()), SIGKILL), 0);
    ASSERT_TRUE(killed.waitForFinished(10000));
    fs::remove(archiver);
    linkArchiver(programFolder());
    const std::vector<std::string> before = testedIn(killed.readAllStandardOutput().toStdString());
    // Two tests written down, the third one cut off by the kill.
    ASSERT_TRUE(fs::exists(record)) << "the check wrote nothing down as it went";
    ASSERT_EQ(linesOf(readText(record)).size(), 2u);
    ASSERT_EQ(before.size(), 3u);

    const ProgramRun next = runProgram({ "--check" }, { { "QUORVEL_CHECK_SECONDS", "120" } });
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    const std::vector<std::string> after = testedIn(next.out);
    ASSERT_EQ(after.size(), 6u) << next.out;
    // First the four it had not written down, the one the kill cut off among
    // them; the two it had checked come last, as the ones checked longest ago.
    const std::vector<std::string> checked(before.begin(), before.begin() + 2);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(std::count(checked.begin(), checked.end(), after[i]), 0) << after[i];
    EXPECT_NE(std::find(after.begin(), after.begin() + 4, before[2]), after.begin() + 4);
    std::vector<std::string> last(after.begin() + 4, after.end());
    std::vector<std::string> first(checked);
    std::sort(last.begin(), last.end());
    std::sort(first.begin(), first.end());
    EXPECT_EQ(last, first);
    EXPECT_TRUE(holdsLine(next.out, "6 archives checked, 0 damaged; every archive checked today"))
        << next.out;
}

TEST_F(CheckCommand, ACheckThatCannotStartSaysWhyWithStatusTwo)
{
    EXPECT_EQ(runProgram({ "--check" }).status, 2);
    makeSources();
    const ProgramRun minutes = runProgram({ "--check", "--minutes", "soon" });
    EXPECT_EQ(minutes.status, 2);
    EXPECT_TRUE(holds(minutes.err, "--minutes needs a whole number of minutes")) << minutes.err;
    EXPECT_EQ(runProgram({ "--backup", "--all" }).status, 2);
    fs::remove_all(target);
    EXPECT_EQ(runProgram({ "--check" }).status, 2);
}

TEST_F(CheckCommand, AScheduledBackupThatReachedItsEndIsFollowedByACheck)
{
    makeSources();
    backUp({ { "QUORVEL_SCHEDULED", "1" } });
    EXPECT_EQ(linesOf(readText(CheckRecordPath(target))).size(), 2u);
    EXPECT_TRUE(holds(fields(listed()[0])[3], "checked ")) << listed()[0];
}

TEST_F(CheckCommand, TheDaysSetByHandOutliveTheSavingOfTheSettings)
{
    makeSources();
    const std::string path = m_home / "config/Quorvel Backup/settings.ini";
    {
        platform::SettingsFile store(path);
        store.writeValue("Options", "CheckDays", "7");
        ASSERT_TRUE(store.save());
    }
    saveSources({ source + "/one" }, target, restored);
    EXPECT_EQ(platform::SettingsFile(path).readValue("Options", "CheckDays", ""), "7");
}

} // namespace
} // namespace testsupport
