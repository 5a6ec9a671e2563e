#include "app/SourceList.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::makeDirs;
using testsupport::TempDir;

namespace {

class SourceListTest : public ::testing::Test {
protected:
    std::string folder(const std::string& name) const
    {
        makeDirs(m_dir / name);
        return m_dir / name;
    }
    std::string file(const std::string& name) const
    {
        testsupport::writeText(m_dir / name, "x");
        return m_dir / name;
    }

    TempDir m_dir;
};

TEST_F(SourceListTest, PathTestWantsAnExistingFolder)
{
    std::string data = folder("Data");
    std::string spaced = folder("Spaced ");
    std::string plain = file("plain.txt");
    std::filesystem::create_directory_symlink(data, m_dir / "to folder");
    std::filesystem::create_symlink(plain, m_dir / "to file");
    std::filesystem::create_symlink(m_dir / "gone", m_dir / "dangling");

    struct Case {
        std::string path;
        bool passes;
    };
    const Case cases[] = {
        { "", false },
        { data, true },
        { data + "/", true },
        { spaced, true },
        { m_dir / "Spaced", false },
        { m_dir / "missing", false },
        { m_dir / "missing/", false },
        { plain, false },
        { plain + "/", false },
        { m_dir / "to folder", true },
        { m_dir / "to file", false },
        { m_dir / "dangling", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(passesPathTest(c.path), c.passes) << "'" << c.path << "'";
}

TEST_F(SourceListTest, AddingRefusesWhatIsNotAnExistingFolder)
{
    std::string listed = folder("listed");
    const std::vector<std::string> lists[] = { {}, { listed } };
    for (const auto& list : lists) {
        EXPECT_EQ(checkNewSource("", list), AddOutcome::NotValid);
        EXPECT_EQ(checkNewSource(m_dir / "missing", list), AddOutcome::NotValid);
        EXPECT_EQ(checkNewSource(file("a file"), list), AddOutcome::NotValid);
    }
    // A listed folder that has gone since is no longer valid, not a duplicate.
    EXPECT_EQ(checkNewSource(m_dir / "gone", { m_dir / "gone" }), AddOutcome::NotValid);
}

TEST_F(SourceListTest, AddingRefusesAFolderAlreadyListed)
{
    std::string data = folder("data");
    std::string upper = folder("DATA");
    std::string spaced = folder("data ");
    std::vector<std::string> list{ folder("other"), data };

    EXPECT_EQ(checkNewSource(data, list), AddOutcome::Duplicate);
    // Letter case and spaces name other folders on this system.
    EXPECT_EQ(checkNewSource(upper, list), AddOutcome::Added);
    EXPECT_EQ(checkNewSource(spaced, list), AddOutcome::Added);
    EXPECT_EQ(checkNewSource(data, { "  " + upper + " " }), AddOutcome::Added);
    // Another spelling of the same folder is the same folder.
    EXPECT_EQ(checkNewSource(data + "/", list), AddOutcome::SameFolder);
}

TEST_F(SourceListTest, AddingTakesANewFolder)
{
    std::string data = folder("data");
    std::string spaced = folder("My Data ");
    EXPECT_EQ(checkNewSource(data, {}), AddOutcome::Added);
    EXPECT_EQ(checkNewSource(spaced, { data }), AddOutcome::Added);
    // Listed entries that are not there are compared as tidied texts.
    EXPECT_EQ(checkNewSource(data, { m_dir / "missing", "relative/data" }), AddOutcome::Added);
}

TEST_F(SourceListTest, BackupNeedsATargetFolderAndASource)
{
    std::string target = folder("target");
    struct Case {
        std::string target;
        std::size_t sources;
        bool allowed;
    };
    const Case cases[] = {
        { target, 1, true },
        { target + "/", 3, true },
        { target, 0, false },
        { "", 1, false },
        { m_dir / "missing", 1, false },
        { file("a file"), 1, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(backupAllowed(c.target, c.sources), c.allowed) << "'" << c.target << "', " << c.sources;
}

TEST_F(SourceListTest, RestoreNeedsBothTargetFolders)
{
    std::string target = folder("target");
    std::string restore = folder("restore");
    std::string plain = file("a file");
    struct Case {
        std::string target;
        std::string restore;
        bool allowed;
    };
    const Case cases[] = {
        { target, restore, true },
        { target + "/", restore + "/", true },
        { target, target, true },
        { "", restore, false },
        { target, "", false },
        { m_dir / "missing", restore, false },
        { target, m_dir / "missing", false },
        { plain, restore, false },
        { target, plain, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(restoreAllowed(c.target, c.restore), c.allowed)
            << "'" << c.target << "', '" << c.restore << "'";
}

} // namespace
