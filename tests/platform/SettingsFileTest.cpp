#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using platform::SettingPairs;
using platform::SettingsFile;
using testsupport::readText;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

std::vector<std::string> keysOf(const SettingPairs& pairs)
{
    std::vector<std::string> keys;
    for (const auto& pair : pairs)
        keys.push_back(pair.first);
    return keys;
}

TEST(SettingsFile, AwkwardValuesComeBackExactly)
{
    TempDir dir;
    const std::string path = dir / "Quorvel Backup/settings.ini";
    const std::vector<std::string> values = {
        "  /data/with spaces  ",
        "a=b;c#d[e]f",
        "C:\\Path\\To\\",
        "\\x41 is not an escape here\\",
        "two\nlines\r\nand a tab\t",
        "; looks like a comment",
        "# so does this",
        "[Looks like a section]",
        "Grüße/日本語/Ærø",
        std::string("caf\xe9/\xff\xfe bytes \x80"),
        std::string("nul\x01"
                    "ctl\x7f"),
        "",
        " ",
    };
    {
        SettingsFile store(path);
        for (std::size_t i = 0; i < values.size(); ++i)
            store.writeValue("ToCopy", "ToCopy" + std::to_string(i), values[i]);
        store.writeValue("Odd Section]", " key=with;odd#chars ", "v");
        ASSERT_TRUE(store.save());
    }
    SettingsFile again(path);
    EXPECT_TRUE(again.setAsidePath().empty());
    SettingPairs pairs = again.listSection("ToCopy");
    ASSERT_EQ(pairs.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(pairs[i].first, "ToCopy" + std::to_string(i));
        EXPECT_EQ(pairs[i].second, values[i]) << "entry " << i;
    }
    EXPECT_EQ(again.readValue("Odd Section]", " key=with;odd#chars ", "-"), "v");
    // Readable UTF-8 stays readable in the file.
    EXPECT_NE(readText(path).find("Grüße/日本語/Ærø"), std::string::npos);
}

TEST(SettingsFile, EmptyNamesComeBackExactly)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    {
        SettingsFile store(path);
        store.writeValue("", "", "");
        store.writeValue("ToCopy", "", "/only a value");
        store.writeValue("ToCopy", "ToCopy0", "/a");
        ASSERT_TRUE(store.save());
    }
    SettingsFile again(path);
    EXPECT_TRUE(again.setAsidePath().empty());
    EXPECT_EQ(again.readValue("", "", "-"), "");
    EXPECT_EQ(again.listSection("ToCopy"), (SettingPairs{ { "", "/only a value" }, { "ToCopy0", "/a" } }));
}

TEST(SettingsFile, KeysKeepTheirWriteOrder)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    {
        SettingsFile store(path);
        for (int i = 0; i < 13; ++i)
            store.writeValue("ToCopy", "ToCopy" + std::to_string(i), "/folder/" + std::to_string(i));
        store.writeValue("ToCopy", "ToCopy2", "/replaced");
        ASSERT_TRUE(store.save());
    }
    SettingsFile again(path);
    SettingPairs pairs = again.listSection("tocopy");
    ASSERT_EQ(pairs.size(), 13u);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(pairs[i].first, "ToCopy" + std::to_string(i));
    EXPECT_EQ(pairs[2].second, "/replaced");
    EXPECT_EQ(pairs[10].second, "/folder/10");
}

TEST(SettingsFile, ReadDeleteAndList)
{
    TempDir dir;
    SettingsFile store(dir / "settings.ini");
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", "default"), "default");
    EXPECT_TRUE(store.listSection("ToCopy").empty());
    EXPECT_FALSE(store.deleteSection("ToCopy"));
    store.writeValue("ToBackup", "ToBackup", "");
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", "default"), "");
    store.writeValue("ToCopy", "ToCopy0", "/a");
    EXPECT_TRUE(store.deleteSection("ToCopy"));
    EXPECT_TRUE(store.listSection("ToCopy").empty());
    ASSERT_TRUE(store.save());
    SettingsFile again(dir / "settings.ini");
    EXPECT_TRUE(again.listSection("ToCopy").empty());
    EXPECT_EQ(again.readValue("ToBackup", "ToBackup", "default"), "");
}

TEST(SettingsFile, AHandEditedFileIsRead)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    writeText(path,
        "; my folders\r\n"
        "[ToCopy]\r\n"
        "ToCopy0 = /home/me/Documents\r\n"
        "Photos=/home/me/Photos\r\n"
        "\r\n"
        "  # another comment\n"
        "zzz= /home/me/Music\\x20\n"
        "[ToBackup]\n"
        "ToBackup=/mnt/backup/");
    SettingsFile store(path);
    EXPECT_TRUE(store.setAsidePath().empty());
    SettingPairs pairs = store.listSection("ToCopy");
    EXPECT_EQ(keysOf(pairs), (std::vector<std::string>{ "ToCopy0", "Photos", "zzz" }));
    EXPECT_EQ(pairs[0].second, "/home/me/Documents");
    EXPECT_EQ(pairs[2].second, "/home/me/Music ");
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", ""), "/mnt/backup/");
}

TEST(SettingsFile, ALeftoverTemporaryFileNeverCostsTheStore)
{
    // A crash after the new file was written but before it replaced the
    // old one leaves a temporary file beside an intact store.
    TempDir dir;
    const std::string path = dir / "settings.ini";
    {
        SettingsFile store(path);
        store.writeValue("ToBackup", "ToBackup", "/old");
        ASSERT_TRUE(store.save());
    }
    writeText(dir / ".settings.ini.part4242_0", "[ToBackup]\nToBackup=/ne");
    SettingsFile store(path);
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", ""), "/old");
    store.writeValue("ToBackup", "ToBackup", "/new");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(SettingsFile(path).readValue("ToBackup", "ToBackup", ""), "/new");
    EXPECT_EQ(testsupport::allNames(dir.path()),
        (std::vector<std::string>{ ".settings.ini.part4242_0", "settings.ini" }));
}

TEST(SettingsFile, ABrokenFileIsKeptAsideAndWhatCouldBeReadIsUsed)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    const std::string broken = "[ToBackup]\nToBackup=/mnt/backup\n[ToCopy]\nToCopy0=/a\nToCopy1=/b\\q\n"
                               "\x01\x02garbage\x00\xff\n[ToUnBack";
    writeText(path, broken);
    SettingsFile store(path);
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", ""), "/mnt/backup");
    SettingPairs pairs = store.listSection("ToCopy");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second, "/a");
    ASSERT_FALSE(store.setAsidePath().empty());
    EXPECT_EQ(store.setAsidePath().rfind(path + ".bad-", 0), 0u);
    EXPECT_EQ(readText(store.setAsidePath()), broken);

    ASSERT_TRUE(store.save());
    EXPECT_EQ(readText(store.setAsidePath()), broken);
    SettingsFile again(path);
    EXPECT_TRUE(again.setAsidePath().empty());
    EXPECT_EQ(again.readValue("ToBackup", "ToBackup", ""), "/mnt/backup");
}

TEST(SettingsFile, TwoBrokenFilesInOneSecondAreBothKept)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    testsupport::TestClock clock;
    clock.setLocal(2026, 12, 5, 21, 6, 11);
    writeText(path, "first\n");
    SettingsFile first(path);
    writeText(path, "second\n");
    SettingsFile second(path);
    EXPECT_EQ(first.setAsidePath(), path + ".bad-20261205-210611");
    EXPECT_NE(second.setAsidePath(), first.setAsidePath());
    EXPECT_EQ(readText(first.setAsidePath()), "first\n");
    EXPECT_EQ(readText(second.setAsidePath()), "second\n");
}

TEST(SettingsFile, AnUnreadableFileIsKeptAside)
{
    TempDir dir;
    const std::string path = dir / "settings.ini";
    writeText(path, "[ToBackup]\nToBackup=/x\n");
    fs::permissions(path, fs::perms::none);
    if (std::ifstream(path).good())
        GTEST_SKIP() << "this user reads files whatever their permissions";
    SettingsFile store(path);
    EXPECT_EQ(store.readValue("ToBackup", "ToBackup", "none"), "none");
    EXPECT_FALSE(store.setAsidePath().empty());
    EXPECT_TRUE(store.save());
}

TEST(SettingsFile, LivesUnderTheUsersConfigFolder)
{
    TempDir dir;
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    std::string saved = previous ? previous : "";
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    std::string path = SettingsFile::pathFor("Quorvel Backup");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    std::string fallback = SettingsFile::pathFor("Quorvel Backup");
    if (previous)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(path, dir.path() + "/Quorvel Backup/settings.ini");
    EXPECT_NE(fallback.find("/.config/Quorvel Backup/settings.ini"), std::string::npos);

    SettingsFile store(path);
    store.writeValue("ToBackup", "ToBackup", "/x");
    ASSERT_TRUE(store.save());
    auto folderPerms = fs::status(dir.path() + "/Quorvel Backup").permissions();
    EXPECT_EQ(folderPerms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    auto filePerms = fs::status(path).permissions();
    EXPECT_EQ(filePerms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

} // namespace
