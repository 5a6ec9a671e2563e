#include "backup/BackupRun.h"
#include "store/FileCount.h"

#include "pathutil/PathEncoding.h"
#include "platform/FileSystem.h"
#include "store/ArchiveNames.h"
#include "store/JobRunner.h"
#include "store/StoreLayout.h"
#include "tests/support/FakeFields.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::allNames;
using testsupport::archiveEntries;
using testsupport::archivesBelow;
using testsupport::FakeFields;
using testsupport::makeDirs;
using testsupport::readText;
using testsupport::ScopedAppFolder;
using testsupport::ScriptedMessageBoxes;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

// One folder at a time into a run folder of its own, with the real archiver.
class CompressFolderTest : public ::testing::Test {
protected:
    explicit CompressFolderTest(bool withArchiver = true)
        : m_app(withArchiver)
    {
        makeDirs(m_runFolder);
        m_run.RunFolder = m_runFolder;
    }

    std::string source(const std::string& relative) const { return m_sources / relative; }
    std::string stored(const std::string& folder) const { return m_runFolder + "/" + ArchiveName(folder); }

    ScopedAppFolder m_app;
    ScriptedMessageBoxes m_boxes{ platform::MsgAnswer::Ok };
    TempDir m_sources;
    TempDir m_store;
    std::string m_runFolder = m_store / "run";
    FakeFields m_fields;
    testsupport::LogHost m_host;
    BackupRun m_run{ m_host, m_fields, m_app.path() };
};

class CompressWithoutArchiverTest : public CompressFolderTest {
protected:
    CompressWithoutArchiverTest()
        : CompressFolderTest(false)
    {
    }
};

} // namespace

TEST_F(CompressFolderTest, ArchiveHoldsTheFolderOwnFilesAndCountSitsBeside)
{
    const std::string folder = source("My Data") + "/";
    makeDirs(folder + "sub");
    writeText(folder + "a.txt", "a");
    writeText(folder + "b c.txt", "b");
    writeText(folder + ".hidden", "h");
    writeText(folder + "sub/inner.txt", "i");
    ASSERT_TRUE(platform::createSymlink("a.txt", folder + "link.txt"));

    m_run.CompressFolder(folder);

    EXPECT_TRUE(m_boxes.shown().empty());
    const std::string archive = ArchiveName(folder);
    EXPECT_EQ(allNames(m_runFolder), (std::vector<std::string>{ archive, archive + ".dat" }));
    // The archiver takes hidden files too, and nothing from the subfolder.
    EXPECT_EQ(archiveEntries(stored(folder)),
        (std::vector<std::string>{ ".hidden", "a.txt", "b c.txt", "link.txt" }));
    // The count leaves out hidden files and folders.
    EXPECT_EQ(readText(stored(folder) + ".dat"), "3");
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(CompressFolderTest, FoldersWithoutFilesCountZero)
{
    const std::string empty = source("empty") + "/";
    const std::string onlySubfolders = source("parent") + "/";
    makeDirs(empty);
    makeDirs(onlySubfolders + "child");
    writeText(onlySubfolders + "child/f", "x");

    m_run.CompressFolder(empty);
    m_run.CompressFolder(onlySubfolders);

    EXPECT_TRUE(m_boxes.shown().empty());
    EXPECT_EQ(readText(stored(empty) + ".dat"), "0");
    EXPECT_EQ(readText(stored(onlySubfolders) + ".dat"), "0");
    EXPECT_TRUE(archiveEntries(stored(onlySubfolders)).empty());
}

TEST_F(CompressFolderTest, MissingFolderIsNotExecuted)
{
    const std::string folder = source("gone") + "/";

    m_run.CompressFolder(folder);

    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].text,
        "Error!\r\n\r\n7z not executed...For Directory: " + EncodePath(folder) + "/\r\nFolder: " + folder);
    EXPECT_EQ(m_boxes.shown()[0].title, "Error!");
    EXPECT_EQ(m_boxes.shown()[0].style, 16);
    EXPECT_TRUE(allNames(m_runFolder).empty());
}

TEST_F(CompressWithoutArchiverTest, MissingArchiverIsNotCompleted)
{
    const std::string folder = source("data") + "/";
    makeDirs(folder);
    writeText(folder + "f.txt", "x");

    m_run.CompressFolder(folder);

    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].text,
        "Error!\r\n\r\n7z not completed...For Directory: " + EncodePath(folder) + "/\r\nFolder: " + folder);
    EXPECT_EQ(m_boxes.shown()[0].title, "Error!");
    EXPECT_EQ(m_boxes.shown()[0].style, 16);
    EXPECT_TRUE(allNames(m_runFolder).empty());
}

TEST_F(CompressFolderTest, PathsThatCannotNameAnArchiveAreRefused)
{
    const std::vector<std::string> folders = {
        source("already_P-41encoded") + "/",
        source("line\nbreak") + "/",
        source("carriage\rreturn") + "/",
    };
    for (const std::string& folder : folders) {
        makeDirs(folder);
        writeText(folder + "f.txt", "x");
    }
    const std::string fine = source("fine") + "/";
    makeDirs(fine);
    // Each byte below becomes five in the archive name: it is stored under
    // a shortened name, with its path beside it.
    const std::string longName = source(std::string(80, '.') + "x") + "/";
    makeDirs(longName);

    for (const std::string& folder : folders)
        m_run.CompressFolder(folder);
    m_run.CompressFolder(fine);
    m_run.CompressFolder(longName);

    ASSERT_EQ(m_boxes.shown().size(), folders.size());
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string& text = m_boxes.shown()[i].text;
        EXPECT_TRUE(text.starts_with("Error!\r\n\r\nFolder not backed up: ")) << text;
        EXPECT_TRUE(text.ends_with("...For Directory: " + folders[i])) << text;
        EXPECT_EQ(m_boxes.shown()[i].style, 16);
    }
    // Only the storable folders reached the store, and no archive was made elsewhere.
    const std::string shortened = StoredArchiveName(longName, 255);
    EXPECT_EQ(allNames(m_runFolder).size(), 5u);
    EXPECT_EQ(readText(m_runFolder + "/" + PathFileName(shortened)), longName);
    EXPECT_EQ(readText(m_runFolder + "/" + CountFileName(shortened)), "0");
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(CompressFolderTest, FolderListedTwiceEndsTheRunAndKeepsItsFirstArchive)
{
    const std::string outer = source("outer") + "/";
    const std::string inner = outer + "inner/";
    makeDirs(inner);
    writeText(outer + "o.txt", "o");
    writeText(inner + "i.txt", "i");

    m_run.CompressFolder(outer);
    m_run.CompressFolder(inner);
    const std::string firstArchive = readText(stored(inner));
    try {
        m_run.CompressFolder(inner);
        FAIL() << "storing the same folder twice must end the run";
    } catch (const RunError& error) {
        EXPECT_NE(std::string(error.what()).find("more than one source folder"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(m_boxes.shown().empty());
    // The first archive and its count stay as they were, and nothing was
    // made in the user's folder.
    EXPECT_EQ(readText(stored(inner)), firstArchive);
    EXPECT_EQ(readText(stored(inner) + ".dat"), "1");
    EXPECT_EQ(allNames(m_runFolder).size(), 4u);
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(CompressFolderTest, ArchiveThatCannotBeMadeInTheRunFolderIsNotCompleted)
{
    const std::string folder = source("data") + "/";
    makeDirs(folder);
    writeText(folder + "f.txt", "x");
    // Something that is not an archive already holds the archive's name.
    makeDirs(stored(folder));

    m_run.CompressFolder(folder);
    ASSERT_EQ(m_boxes.shown().size(), 1u);
    EXPECT_EQ(m_boxes.shown()[0].text,
        "Error!\r\n\r\n7z not completed...For Directory: " + EncodePath(folder) + "/\r\nFolder: " + folder);
    EXPECT_EQ(allNames(folder), std::vector<std::string>{ "f.txt" });
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(CompressFolderTest, CountFileThatCannotBeWrittenEndsTheRun)
{
    const std::string folder = source("data") + "/";
    makeDirs(folder);
    writeText(folder + "f.txt", "x");
    makeDirs(stored(folder) + ".dat");

    try {
        m_run.CompressFolder(folder);
        FAIL() << "a count file that cannot be written must end the run";
    } catch (const RunError& error) {
        EXPECT_NE(std::string(error.what()).find(stored(folder) + ".dat"), std::string::npos) << error.what();
    }
    // The archive itself is in the store, none in the source folder.
    EXPECT_EQ(archiveEntries(stored(folder)), std::vector<std::string>{ "f.txt" });
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
}

TEST_F(CompressFolderTest, RunFolderThatVanishedEndsTheRun)
{
    const std::string folder = source("data") + "/";
    makeDirs(folder);
    testsupport::removeTree(m_runFolder);

    EXPECT_THROW(m_run.CompressFolder(folder), RunError);
    EXPECT_TRUE(archivesBelow(m_sources.path()).empty());
    EXPECT_TRUE(archivesBelow(m_store.path()).empty());
}

TEST(CountFolderFiles, OrdinaryEntriesDirectlyInTheFolder)
{
    TempDir dir;
    makeDirs(dir / "sub");
    makeDirs(dir / ".hiddendir");
    writeText(dir / "one", "1");
    writeText(dir / "two words", "2");
    writeText(dir / ".hidden", "h");
    writeText(dir / "sub/below", "b");
    ASSERT_TRUE(platform::createSymlink("sub", dir / "link-to-folder"));
    ASSERT_TRUE(platform::createSymlink("nowhere", dir / "dangling"));

    EXPECT_EQ(CountFolderFiles(dir.path()), 4);
    EXPECT_EQ(CountFolderFiles(dir.path() + "/"), 4);
    EXPECT_EQ(CountFolderFiles(dir / "sub/"), 1);
    EXPECT_EQ(CountFolderFiles(dir / "gone/"), 0);
    EXPECT_EQ(CountFolderFiles(dir / "one"), 0);
}
