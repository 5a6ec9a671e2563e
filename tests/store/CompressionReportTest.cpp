// The archiver's report on making an archive, read as a verdict: real reports
// of the real archiver for a clean archive, a file it was told of but did not
// find, and files it found but may not read; and the reports a job that went
// wrong leaves behind.
#include "store/ArchiverReport.h"

#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

using Names = std::vector<std::string>;

class CompressionReports : public ::testing::Test {
protected:
    CompressionReports()
    {
        makeDirs(dir / "src");
        writeText(dir / "src/a.txt", "alpha");
        writeText(dir / "src/b.txt", "beta");
    }

    // Runs the real archiver in the source folder the way the backup's job
    // line does, on `what` (shell words), and returns its report with the
    // status line.
    std::string reportOf(const std::string& what)
    {
        const std::string output = dir / "report.txt";
        const std::string command = "cd '" + dir / "src" + "' && '" + archiverPath() + "' a -t7z -snl '"
            + archive + "' " + what + " > '" + output + "' 2>&1; echo \"" + kExitStatusLine + "$?\" >> '"
            + output + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        fs::remove(archive);
        return readText(output);
    }

    TempDir dir;
    std::string archive = dir / "x.7z";
};

TEST_F(CompressionReports, AFolderReadWholeIsMadeWithoutWarnings)
{
    const CompressionVerdict verdict = JudgeCompressionReport(reportOf("'-i!*' '-x!*/'"));
    EXPECT_TRUE(verdict.made);
    EXPECT_EQ(verdict.exitStatus, 0);
    EXPECT_TRUE(verdict.fileWarnings.empty());
    EXPECT_FALSE(ArchiverMissedFiles(verdict, {}));
}

TEST_F(CompressionReports, AFileThatIsNotThereWhenTheArchiverLooksIsAMissedFile)
{
    const CompressionVerdict verdict = JudgeCompressionReport(reportOf("a.txt gone.txt"));
    EXPECT_TRUE(verdict.made);
    EXPECT_EQ(verdict.exitStatus, 1);
    ASSERT_EQ(verdict.fileWarnings.size(), 1u);
    EXPECT_TRUE(verdict.fileWarnings[0].starts_with("gone.txt : ")) << verdict.fileWarnings[0];
    EXPECT_TRUE(ArchiverMissedFiles(verdict, {}));
    // Known to the count or not, a file that is gone is a change.
    EXPECT_TRUE(ArchiverMissedFiles(verdict, { "gone.txt" }));
}

TEST_F(CompressionReports, FilesThatMayNotBeReadAreMissedUnlessTheCountKnewThem)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    // A name that holds the separator the archiver puts after a name.
    for (const char* name : { "secret.txt", "x : errno=2 : y" }) {
        writeText(dir / "src/" + name, "closed");
        fs::permissions(dir / "src/" + name, fs::perms::none);
    }
    const CompressionVerdict verdict = JudgeCompressionReport(reportOf("'-i!*' '-x!*/'"));
    EXPECT_TRUE(verdict.made);
    EXPECT_EQ(verdict.exitStatus, 1);
    EXPECT_EQ(verdict.fileWarnings.size(), 2u);
    EXPECT_FALSE(ArchiverMissedFiles(verdict, { "a.txt", "secret.txt", "x : errno=2 : y" }));
    EXPECT_TRUE(ArchiverMissedFiles(verdict, { "secret.txt" }));
    EXPECT_TRUE(ArchiverMissedFiles(verdict, { "a.txt", "x : errno=2 : y" }));
    EXPECT_TRUE(ArchiverMissedFiles(verdict, {}));
}

TEST(CompressionReportText, OnlyAnArchiverThatReturnedWithSuccessOrWarningsMadeTheArchive)
{
    const std::string status = kExitStatusLine;
    // Killed by a signal, an error of its own, or a job that never got to
    // report: no archive, whatever else the report says.
    for (const std::string& report : { status + "137\n", status + "2\nEverything is Ok\n",
             std::string("Everything is Ok\n"), std::string(), status + "x1\n" }) {
        const CompressionVerdict verdict = JudgeCompressionReport(report);
        EXPECT_FALSE(verdict.made) << report;
        EXPECT_FALSE(ArchiverMissedFiles(verdict, {})) << report;
    }
    // Warnings that name no file: what the archive holds is not known.
    const CompressionVerdict vague = JudgeCompressionReport("WARNING: something\n" + status + "1\r\n");
    EXPECT_TRUE(vague.made);
    EXPECT_TRUE(vague.fileWarnings.empty());
    EXPECT_TRUE(ArchiverMissedFiles(vague, { "a.txt" }));
}

} // namespace
} // namespace testsupport
