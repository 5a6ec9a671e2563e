// A settings file that is damaged, empty, binary or unreadable: the program
// starts with what can be read, keeps the bad file aside, says nothing
// alarming, and the next start finds a sound file again.
#include "app/frmMain.h"
#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using platform::SettingsFile;
using testsupport::makeDirs;
using testsupport::readText;
using testsupport::writeText;

namespace {

const std::vector<std::string> kSources
    = { "/home/ann/Documents", "/home/ann/Pictures 2026", "/srv/data\\x" };

// The names in the settings folder that hold a file set aside.
std::vector<std::string> setAside(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("settings.ini.bad-"))
            names.push_back(entry.path().string());
    }
    return names;
}

class DamagedSettings : public ::testing::Test {
protected:
    DamagedSettings() { makeDirs(folder); }

    // The bytes of a sound settings file holding the sources and both targets.
    std::string soundBytes()
    {
        testsupport::TempDir scratch;
        SettingsFile store(scratch / "settings.ini");
        for (std::size_t i = 0; i < kSources.size(); ++i)
            store.writeValue("ToCopy", "ToCopy" + std::to_string(i), kSources[i]);
        store.writeValue("ToBackup", "ToBackup", "/mnt/backup disk");
        store.writeValue("ToUnBackup", "ToUnBackup", "/tmp/restored");
        EXPECT_TRUE(store.save());
        return readText(scratch / "settings.ini");
    }

    // Starts the main window on the settings file, closes it again and
    // returns what it showed.
    struct Shown {
        std::vector<std::string> sources;
        std::string backupTarget;
        std::string restoreTarget;
        std::vector<testsupport::ShownBox> boxes;
    };
    Shown startAndClose()
    {
        testsupport::ScriptedMessageBoxes boxes;
        Shown shown;
        {
            frmMain window(path);
            window.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window, 5000));
            shown.sources = window.sourceFolders();
            shown.backupTarget = window.backupTarget();
            shown.restoreTarget = window.restoreTarget();
            window.close();
        }
        shown.boxes = boxes.shown();
        return shown;
    }

    testsupport::TempDir config;
    std::string folder = config / "Quorvel Backup";
    std::string path = folder + "/settings.ini";
};

TEST_F(DamagedSettings, AnEmptyFileStartsEmptyAndIsNotSetAside)
{
    writeText(path, "");
    const Shown shown = startAndClose();
    EXPECT_TRUE(shown.boxes.empty());
    EXPECT_TRUE(shown.sources.empty());
    EXPECT_EQ(shown.backupTarget, "");
    EXPECT_TRUE(setAside(folder).empty());
    EXPECT_EQ(SettingsFile(path).readValue("ToBackup", "ToBackup", "<missing>"), "");
}

TEST_F(DamagedSettings, EveryTruncationStartsWithWhatCanBeReadAndSavesASoundFile)
{
    const std::string sound = soundBytes();
    for (std::size_t length = 0; length < sound.size(); ++length) {
        const std::string cut = sound.substr(0, length);
        for (const std::string& name : setAside(folder))
            fs::remove(name);
        writeText(path, cut);
        SettingsFile store(path);
        // Whatever is read is a value as written, or the start of one.
        const auto pairs = store.listSection("ToCopy");
        ASSERT_LE(pairs.size(), kSources.size()) << length;
        for (std::size_t i = 0; i < pairs.size(); ++i)
            EXPECT_TRUE(kSources[i].starts_with(pairs[i].second)) << length << ": " << pairs[i].second;
        EXPECT_TRUE(std::string("/mnt/backup disk").starts_with(store.readValue("ToBackup", "ToBackup", "")))
            << length;
        // A file that did not read cleanly is kept, byte for byte.
        if (!store.setAsidePath().empty()) {
            EXPECT_EQ(readText(store.setAsidePath()), cut) << length;
        }
        ASSERT_TRUE(store.save()) << length;
        SettingsFile again(path);
        EXPECT_TRUE(again.setAsidePath().empty()) << length;
        EXPECT_EQ(again.listSection("ToCopy"), pairs) << length;
    }
}

TEST_F(DamagedSettings, ATruncatedFileOpensTheWindowWithWhatCouldBeRead)
{
    const std::string sound = soundBytes();
    // Cut inside the second source's key.
    const std::string cut = sound.substr(0, sound.find("ToCopy1") + 4);
    writeText(path, cut);
    const Shown shown = startAndClose();
    EXPECT_TRUE(shown.boxes.empty());
    EXPECT_EQ(shown.sources, std::vector<std::string>{ kSources[0] });
    ASSERT_EQ(setAside(folder).size(), 1u);
    EXPECT_EQ(readText(setAside(folder)[0]), cut);
    EXPECT_TRUE(SettingsFile(path).setAsidePath().empty());
}

TEST_F(DamagedSettings, BinaryGarbageIsSetAsideAndTheWindowStartsEmpty)
{
    std::string garbage;
    unsigned state = 99;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += static_cast<char>(state >> 16);
    }
    writeText(path, garbage);
    const Shown shown = startAndClose();
    EXPECT_TRUE(shown.boxes.empty());
    EXPECT_TRUE(shown.sources.empty());
    EXPECT_EQ(shown.backupTarget, "");
    ASSERT_EQ(setAside(folder).size(), 1u);
    EXPECT_EQ(readText(setAside(folder)[0]), garbage);
    // The next start finds the file the window saved, sound.
    EXPECT_TRUE(startAndClose().boxes.empty());
    EXPECT_EQ(setAside(folder).size(), 1u);
}

TEST_F(DamagedSettings, AnUnreadableFileIsSetAsideWithoutAWord)
{
    TESTSUPPORT_NEEDS_PERMISSIONS();
    writeText(path, soundBytes());
    fs::permissions(path, fs::perms::owner_write);
    const Shown shown = startAndClose();
    EXPECT_TRUE(shown.boxes.empty());
    EXPECT_TRUE(shown.sources.empty());
    ASSERT_EQ(setAside(folder).size(), 1u);
    fs::permissions(setAside(folder)[0], fs::perms::owner_read);
    EXPECT_EQ(readText(setAside(folder)[0]), soundBytes());
    EXPECT_TRUE(SettingsFile(path).setAsidePath().empty());
}

TEST_F(DamagedSettings, AFolderInPlaceOfTheFileIsLeftAloneAndTheWindowStillOpens)
{
    makeDirs(path + "/inside");
    writeText(path + "/inside/keep", "the user's");
    const Shown shown = startAndClose();
    // The save at the close cannot replace a folder, and says so once.
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_TRUE(shown.boxes[0].text.starts_with("Error!\r\n\r\nThe settings could not be saved"))
        << shown.boxes[0].text;
    EXPECT_TRUE(shown.sources.empty());
    EXPECT_EQ(readText(path + "/inside/keep"), "the user's");
    // Nothing was left beside it on the way.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

} // namespace
