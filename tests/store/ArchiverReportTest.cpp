// The archiver's report read as a verdict: real reports of the real archiver
// for each way an extraction goes wrong, and any text at all, however long or
// damaged, gives a verdict with at most one short line of it.
#include "store/ArchiverReport.h"

#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace testsupport {
namespace {

// Runs the real archiver's extraction of `archive` in `folder` the way the
// restore's job line does, and returns its report with the status line.
std::string reportOf(const std::string& folder, const std::string& archive)
{
    const std::string output = folder + "/../report.txt";
    const std::string command = "cd '" + folder + "' && '" + archiverPath() + "' e -y -snld20 -bb1 '"
        + archive + "' > '" + output + "' 2>&1; echo \"" + kExitStatusLine + "$?\" >> '" + output + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readText(output);
}

class ArchiverReports : public ::testing::Test {
protected:
    ArchiverReports()
    {
        makeDirs(dir / "src");
        makeDirs(dir / "out");
        std::string big(300000, '\0');
        std::mt19937 random(7);
        for (char& c : big)
            c = static_cast<char>(random());
        writeText(dir / "src/big", big);
        writeText(dir / "src/small", "hello");
        EXPECT_TRUE(runArchiver(dir / "src", { "a", "-t7z", "-mx1", archive, "big", "small" }));
    }

    TempDir dir;
    std::string archive = dir / "src/x.7z";
};

TEST_F(ArchiverReports, AWholeExtractionIsComplete)
{
    const ArchiverVerdict verdict = JudgeArchiverReport(reportOf(dir / "out", archive));
    EXPECT_TRUE(verdict.complete) << verdict.reason;
    EXPECT_EQ(verdict.exitStatus, 0);
    EXPECT_EQ(verdict.filesReported, 2);
    EXPECT_EQ(verdict.filesListed, (std::vector<std::string>{ "big", "small" }));
}

TEST_F(ArchiverReports, TheNumberExtractedIsTheArchiversForOneFileNoneAndHiddenOnes)
{
    // One file: the archiver gives its size and no "Files:" line.
    makeDirs(dir / "one");
    writeText(dir / "one/only", "x");
    ASSERT_TRUE(runArchiver(dir / "one", { "a", "-t7z", "one.7z", "only" }));
    makeDirs(dir / "out1");
    ArchiverVerdict verdict = JudgeArchiverReport(reportOf(dir / "out1", dir / "one/one.7z"));
    EXPECT_TRUE(verdict.complete) << verdict.reason;
    EXPECT_EQ(verdict.filesReported, 1);
    EXPECT_EQ(verdict.filesListed, std::vector<std::string>{ "only" });

    // No file at all.
    makeDirs(dir / "none");
    ASSERT_TRUE(runArchiver(dir / "none", { "a", "-t7z", "none.7z", "-i!*", "-x!*/" }));
    makeDirs(dir / "out0");
    verdict = JudgeArchiverReport(reportOf(dir / "out0", dir / "none/none.7z"));
    EXPECT_TRUE(verdict.complete) << verdict.reason;
    EXPECT_EQ(verdict.filesReported, 0);
    EXPECT_TRUE(verdict.filesListed.empty());

    // Hidden files are extracted and listed like any other.
    makeDirs(dir / "hid");
    writeText(dir / "hid/.h", "h");
    writeText(dir / "hid/v", "v");
    ASSERT_TRUE(runArchiver(dir / "hid", { "a", "-t7z", "hid.7z", ".h", "v" }));
    makeDirs(dir / "outh");
    verdict = JudgeArchiverReport(reportOf(dir / "outh", dir / "hid/hid.7z"));
    EXPECT_EQ(verdict.filesReported, 2);
    EXPECT_EQ(verdict.filesListed, (std::vector<std::string>{ ".h", "v" }));

    // Everything Ok without the number extracted is not taken on trust, and
    // a file named like the archiver's words is only a name.
    verdict = JudgeArchiverReport("- Everything is Ok\n" + std::string(kExitStatusLine) + "0\n");
    EXPECT_FALSE(verdict.complete);
    verdict = JudgeArchiverReport("Everything is Ok\n" + std::string(kExitStatusLine) + "0\n");
    EXPECT_FALSE(verdict.complete);
    EXPECT_NE(verdict.reason.find("how many files"), std::string::npos) << verdict.reason;
}

TEST_F(ArchiverReports, EachFailureIsIncompleteWithTheArchiversReason)
{
    // One flipped byte in the packed data: bit rot.
    std::string bytes = readText(archive);
    bytes[5000] = static_cast<char>(bytes[5000] ^ 1);
    writeText(dir / "rot.7z", bytes);
    ArchiverVerdict verdict = JudgeArchiverReport(reportOf(dir / "out", dir / "rot.7z"));
    EXPECT_FALSE(verdict.complete);
    EXPECT_NE(verdict.reason.find("CRC Failed"), std::string::npos) << verdict.reason;

    // Not an archive at all.
    writeText(dir / "garbage.7z", "garbage");
    verdict = JudgeArchiverReport(reportOf(dir / "out", dir / "garbage.7z"));
    EXPECT_FALSE(verdict.complete);
    EXPECT_NE(verdict.reason.find("open"), std::string::npos) << verdict.reason;
    EXPECT_EQ(verdict.filesReported, 0);

    // Killed: the status the shell reports for signal 9, and no status at all.
    verdict = JudgeArchiverReport("Extracting archive: x.7z\n" + std::string(kExitStatusLine) + "137\n");
    EXPECT_FALSE(verdict.complete);
    EXPECT_NE(verdict.reason.find("killed (signal 9)"), std::string::npos) << verdict.reason;
    verdict = JudgeArchiverReport("Extracting archive: x.7z\nEverything is Ok\n");
    EXPECT_FALSE(verdict.complete);
    EXPECT_FALSE(verdict.exitStatus);

    // Status 0 is not enough without "Everything is Ok", nor with an error line.
    EXPECT_FALSE(JudgeArchiverReport(std::string(kExitStatusLine) + "0\n").complete);
    verdict = JudgeArchiverReport("ERROR: Dangerous link path was ignored : l : ../y\nEverything is Ok\n"
        + std::string(kExitStatusLine) + "0");
    EXPECT_FALSE(verdict.complete);
    EXPECT_EQ(verdict.reason, "ERROR: Dangerous link path was ignored : l : ../y");
}

TEST(ArchiverReportText, AnyTextGivesAVerdictWithOneShortLine)
{
    std::mt19937 random(15);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 3000, '\0');
        for (char& c : text)
            c = static_cast<char>(random());
        // Now and then a real line in the middle of the noise.
        if (round % 3 == 0)
            text.insert(random() % (text.size() + 1), "\nERROR: " + std::string(random() % 500, 'x') + "\n");
        const ArchiverVerdict verdict = JudgeArchiverReport(text);
        EXPECT_FALSE(verdict.complete);
        EXPECT_FALSE(verdict.reason.empty());
        EXPECT_LE(verdict.reason.size(), kLongestReason + 3);
        EXPECT_EQ(verdict.reason.find_first_of("\r\n"), std::string::npos);
    }
}

} // namespace
} // namespace testsupport
