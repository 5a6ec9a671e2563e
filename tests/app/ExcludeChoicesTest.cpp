// What goes into a backup, as the main window offers it: the hidden-folders
// choice, the Exclude window with its totals, and both kept in the settings
// file through every save of the window.
#include "app/MainSettings.h"
#include "app/frmMain.h"
#include "backup/windows/frmExclude.h"
#include "platform/SettingsFile.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using platform::SettingsFile;
using testsupport::TempDir;
using testsupport::writeText;

namespace {

class ExcludeChoices : public ::testing::Test {
protected:
    ExcludeChoices()
    {
        fs::create_directories(source + "/sub");
        fs::create_directories(target);
        writeText(source + "/keep.txt", "keep");
        writeText(source + "/disk.iso", "iso");
        writeText(source + "/sub/more.txt", "more");
        MainSettings settings{ { source }, target, "" };
        settings.exclusions = { "*.tmp", "build/" };
        SettingsFile store(settingsPath());
        saveMainSettings(store, settings);
    }
    std::string settingsPath() const { return m_config / "settings.ini"; }
    MainSettings saved() const { return loadMainSettings(SettingsFile(settingsPath())); }

    TempDir m_config;
    TempDir m_folders;
    std::string source = m_folders / "source";
    std::string target = m_folders / "target";
};

TEST_F(ExcludeChoices, PatternsAndTheHiddenChoiceSurviveLoadAndSave)
{
    // Keys added by hand under any name count, in the file's order.
    {
        SettingsFile store(settingsPath());
        store.writeValue("Exclude", "Mine", "node_modules/");
        store.writeValue("Options", "HiddenFolders", "1");
        ASSERT_TRUE(store.save());
    }
    MainSettings settings = saved();
    EXPECT_EQ(settings.exclusions, (std::vector<std::string>{ "*.tmp", "build/", "node_modules/" }));
    EXPECT_TRUE(settings.hiddenFolders);

    // Written back like the source list, a shorter list leaving no stale key.
    settings.exclusions = { "a # not a comment", "\\#x" };
    settings.hiddenFolders = false;
    SettingsFile store(settingsPath());
    saveMainSettings(store, settings);
    const platform::SettingPairs keys = SettingsFile(settingsPath()).listSection("Exclude");
    EXPECT_EQ(keys, (platform::SettingPairs{ { "Exclude0", "a # not a comment" }, { "Exclude1", "\\#x" } }));
    EXPECT_EQ(SettingsFile(settingsPath()).readValue("Options", "HiddenFolders", "<none>"), "<none>");
}

TEST_F(ExcludeChoices, TheMainWindowOffersThemBelowTheDefinedControlsAndKeepsThem)
{
    {
        frmMain window(settingsPath());
        EXPECT_EQ(window.exclusionPatterns(), (std::vector<std::string>{ "*.tmp", "build/" }));
        auto* hidden = window.findChild<QCheckBox*>("chkHiddenFolders");
        ASSERT_NE(hidden, nullptr);
        EXPECT_EQ(hidden->text(), "Back up hidden folders too");
        EXPECT_EQ(hidden->parentWidget()->objectName(), "choicesLine");
        auto* exclude = window.findChild<QPushButton*>("cmdExclude");
        ASSERT_NE(exclude, nullptr);
        EXPECT_EQ(exclude->text(), "Exclude…");
        EXPECT_EQ(exclude->parentWidget()->objectName(), "toolsLine");

        EXPECT_FALSE(window.backUpHiddenFolders());
        hidden->click();
        EXPECT_TRUE(window.backUpHiddenFolders());
        EXPECT_EQ(SettingsFile(settingsPath()).readValue("Options", "HiddenFolders", ""), "1");
        // Any other save of the window keeps the patterns.
        window.close();
    }
    EXPECT_EQ(saved().exclusions, (std::vector<std::string>{ "*.tmp", "build/" }));
    EXPECT_TRUE(saved().hiddenFolders);
}

TEST_F(ExcludeChoices, TheExcludeWindowNamesUnusableLinesShowsTotalsOnRequestAndSavesOnOK)
{
    frmMain window(settingsPath());
    QString refused, totals;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<frmExclude*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->windowTitle(), "Exclude");
        auto* text = editor->findChild<QPlainTextEdit*>("txtPatterns");
        EXPECT_EQ(text->toPlainText(), "*.tmp\nbuild/");
        text->setPlainText("*.iso\n!keep.txt\nsub/\n");
        refused = editor->findChild<QLabel*>("lblRefused")->text();
        editor->findChild<QPushButton*>("cmdTotals")->click();
        totals = editor->findChild<QLabel*>("lblTotals")->text();
        editor->findChild<QPushButton*>("cmdOK")->click();
    });
    window.findChild<QPushButton*>("cmdExclude")->click();

    EXPECT_EQ(refused.toStdString(),
        "Exclusion pattern not used, taking back what another pattern leaves out (!) is not supported: "
        "!keep.txt");
    // The source alone is stored, with keep.txt; disk.iso and sub/ stay out.
    EXPECT_EQ(totals.toStdString(),
        "A backup would store 1 folders, 1 files, 4 bytes; it leaves out 1 folders and 1 files.");
    const std::vector<std::string> edited{ "*.iso", "!keep.txt", "sub/" };
    EXPECT_EQ(window.exclusionPatterns(), edited);
    EXPECT_EQ(saved().exclusions, edited);

    // Cancel keeps what there was.
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<frmExclude*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor->findChild<QPlainTextEdit*>("txtPatterns")->setPlainText("*");
        editor->findChild<QPushButton*>("cmdCancel")->click();
    });
    window.findChild<QPushButton*>("cmdExclude")->click();
    EXPECT_EQ(saved().exclusions, edited);
}

} // namespace
