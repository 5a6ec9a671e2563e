#include "app/MainSettings.h"
#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using platform::SettingPairs;
using platform::SettingsFile;
using testsupport::readText;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

void expectSame(const MainSettings& actual, const MainSettings& expected)
{
    EXPECT_EQ(actual.sources, expected.sources);
    EXPECT_EQ(actual.backupTarget, expected.backupTarget);
    EXPECT_EQ(actual.restoreTarget, expected.restoreTarget);
}

class MainSettingsTest : public ::testing::Test {
protected:
    std::string path() const { return m_dir / "Quorvel Backup/settings.ini"; }

    void save(const MainSettings& settings) const
    {
        SettingsFile store(path());
        saveMainSettings(store, settings);
    }
    MainSettings load() const { return loadMainSettings(SettingsFile(path())); }

    TempDir m_dir;
};

TEST_F(MainSettingsTest, TheUsersStoreIsNamedAfterTheProgram)
{
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    std::string saved = previous ? previous : "";
    ::setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
    std::string path = mainSettingsPath();
    if (previous)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(path, m_dir / "Quorvel Backup/settings.ini");
}

TEST_F(MainSettingsTest, NoFileGivesEmptyFieldsAndAnEmptyList)
{
    expectSame(load(), MainSettings{});
}

TEST_F(MainSettingsTest, WhatIsSavedComesBackFromTheFile)
{
    MainSettings many;
    for (int i = 0; i < 12; ++i)
        many.sources.push_back("/src/" + std::to_string(i));
    many.sources.push_back("  /with spaces/  ");
    many.sources.push_back(std::string("/caf\xe9/Grüße\\x=;[#"));
    many.sources.push_back("/src/0"); // the list may hold a folder twice
    many.backupTarget = std::string("/mnt/b\xff\xfe/");
    many.restoreTarget = " /restore ";
    save(many);
    expectSame(load(), many);

    // A second save over the first: the shorter list leaves no stale keys,
    // emptied fields stay empty rather than missing.
    MainSettings fewer{ { "/only" }, "", "" };
    save(fewer);
    expectSame(load(), fewer);
    EXPECT_EQ(SettingsFile(path()).listSection("ToCopy"), (SettingPairs{ { "ToCopy0", "/only" } }));

    save(MainSettings{});
    expectSame(load(), MainSettings{});
}

TEST_F(MainSettingsTest, TheFullBackupChoiceIsKeptOnlyWhileItIsMade)
{
    MainSettings full{ { "/a" }, "/target/", "/restore/", true };
    save(full);
    EXPECT_TRUE(load().fullBackup);
    EXPECT_EQ(SettingsFile(path()).readValue("Options", "FullBackup", ""), "1");

    full.fullBackup = false;
    save(full);
    EXPECT_FALSE(load().fullBackup);
    EXPECT_EQ(readText(path()).find("Options"), std::string::npos);
}

TEST_F(MainSettingsTest, KeysAndSectionsTheWindowDoesNotOwnSurviveEverySave)
{
    testsupport::makeDirs(m_dir / "Quorvel Backup");
    writeText(path(),
        "[Options]\n"
        "Jobs=3\n"
        "fullbackup=1\n"
        "RefreshDays=30\n"
        "\n"
        "[Later]\n"
        "Word=kept as it is\n");
    EXPECT_TRUE(load().fullBackup);
    const SettingPairs others{ { "Jobs", "3" }, { "RefreshDays", "30" } };
    for (bool full : { false, true, false }) {
        save({ { "/a" }, "/target/", "/restore/", full });
        EXPECT_EQ(load().fullBackup, full);
        SettingPairs options = SettingsFile(path()).listSection("Options");
        std::erase(options, std::pair<std::string, std::string>("FullBackup", "1"));
        EXPECT_EQ(options, others) << full;
        EXPECT_EQ(SettingsFile(path()).readValue("Later", "Word", ""), "kept as it is") << full;
        EXPECT_EQ(readText(path()).find("FullBackup") != std::string::npos, full);
    }
}

TEST_F(MainSettingsTest, JobsIsReadAsANumberAndAnythingElseLeavesTheChoiceToTheRun)
{
    testsupport::makeDirs(m_dir / "Quorvel Backup");
    for (const auto& [written, read] : std::vector<std::pair<std::string, int>>{
             { "3", 3 }, { "1", 1 }, { "0", 0 }, { "-2", 0 }, { "four", 0 }, { "2 jobs", 0 } }) {
        writeText(path(), "[Options]\nJobs=" + written + "\n");
        EXPECT_EQ(load().jobs, read) << written;
    }
    writeText(path(), "[ToBackup]\nToBackup=/t/\n");
    EXPECT_EQ(load().jobs, 0);
}

TEST_F(MainSettingsTest, TheFileHoldsTheSourcesFirstThenTheTwoTargets)
{
    save({ { "/a", "/b" }, "/target/", "/restore/" });
    EXPECT_EQ(readText(path()),
        "[ToCopy]\n"
        "ToCopy0=/a\n"
        "ToCopy1=/b\n"
        "\n"
        "[ToBackup]\n"
        "ToBackup=/target/\n"
        "\n"
        "[ToUnBackup]\n"
        "ToUnBackup=/restore/\n");
}

TEST_F(MainSettingsTest, HandWrittenSourcesAreReadUnderAnyKeyAndRenumberedOnSaving)
{
    testsupport::makeDirs(m_dir / "Quorvel Backup");
    writeText(path(),
        "[ToBackup]\n"
        "ToBackup=/target\n"
        "[tocopy]\n"
        "ToCopy7=/seven\n"
        "Added by hand=/by hand\n"
        "ToCopy0=/zero\n");
    MainSettings loaded = load();
    expectSame(loaded, { { "/seven", "/by hand", "/zero" }, "/target", "" });

    save(loaded);
    // The source section is made afresh, after the sections that stayed.
    EXPECT_EQ(readText(path()),
        "[ToBackup]\n"
        "ToBackup=/target\n"
        "\n"
        "[ToCopy]\n"
        "ToCopy0=/seven\n"
        "ToCopy1=/by hand\n"
        "ToCopy2=/zero\n"
        "\n"
        "[ToUnBackup]\n"
        "ToUnBackup=\n");
}

TEST_F(MainSettingsTest, AnEntryThatCannotBeReadIsSkippedAndTheOthersKeepTheirOrder)
{
    testsupport::makeDirs(m_dir / "Quorvel Backup");
    writeText(path(),
        "[ToCopy]\n"
        "ToCopy0=/first\n"
        "ToCopy1=/broken\\q escape\n"
        "ToCopy2\n"
        "ToCopy3=/last\n"
        "[ToUnBackup]\n"
        "ToUnBackup=/restore\n");
    expectSame(load(), { { "/first", "/last" }, "", "/restore" });
}

TEST_F(MainSettingsTest, ASaveThatCannotReachTheDiskIsSilentAndKeepsTheValuesInTheStore)
{
    // A plain file where the settings folder should be.
    writeText(m_dir / "Quorvel Backup", "not a folder");
    SettingsFile store(path());
    MainSettings settings{ { "/a" }, "/target", "/restore" };
    saveMainSettings(store, settings);
    EXPECT_EQ(readText(m_dir / "Quorvel Backup"), "not a folder");
    expectSame(loadMainSettings(store), settings);
}

} // namespace
