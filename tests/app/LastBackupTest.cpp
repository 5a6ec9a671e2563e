// The main window's line on the last complete backup: the newest run that
// reached its end, never one that was cut short, and a line of its own below
// the defined controls.
#include "app/LastBackup.h"
#include "app/frmMain.h"
#include "platform/Clock.h"
#include "platform/SettingsFile.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>

#include <gtest/gtest.h>

namespace {

using testsupport::makeDirs;
using testsupport::TempDir;

std::string makeRun(const std::string& target, int day, bool complete)
{
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = day;
    when.tm_hour = 21;
    const std::string date = platform::formatDateText(when);
    const std::string runFolder = RunFolderPath(target, date);
    makeDirs(runFolder);
    if (!complete) {
        EXPECT_TRUE(MarkRunIncomplete(runFolder, { "a.7z" }));
    }
    return date;
}

TEST(LastBackup, TheNewestCompleteRunIsShownNotOneCutShort)
{
    TempDir target;
    EXPECT_EQ(LastBackupText(target.path()), "Last complete backup: none yet");
    const std::string older = makeRun(target.path(), 3, true);
    const std::string newer = makeRun(target.path(), 4, true);
    makeRun(target.path(), 5, false);
    EXPECT_EQ(LastBackupText(target.path()), "Last complete backup: " + newer);
    EXPECT_NE(older, newer);
}

TEST(LastBackup, NoTargetMeansNoBackupYet)
{
    EXPECT_EQ(LastBackupText(""), "Last complete backup: none yet");
    EXPECT_EQ(LastBackupText("/no/such/folder"), "Last complete backup: none yet");
}

TEST(LastBackup, TheMainWindowShowsItBelowTheDefinedControls)
{
    TempDir config;
    TempDir target;
    const std::string date = makeRun(target.path(), 6, true);
    const std::string settings = config / "settings.ini";
    {
        platform::SettingsFile file(settings);
        file.writeValue("ToBackup", "ToBackup", target.path());
        ASSERT_TRUE(file.save());
    }
    frmMain window(settings);
    auto* line = window.findChild<QLabel*>("lblLastBackup");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text().toStdString(), "Last complete backup: " + date);
    // Every defined control lies above it, and the full-backup choice below it.
    auto* full = window.findChild<QWidget*>("chkFullBackup");
    ASSERT_NE(full, nullptr);
    for (const QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // The check button shares the full-backup choice's line.
        if (child == line || child == full || child->objectName().isEmpty()
            || child->objectName() == "cmdCheck")
            continue;
        EXPECT_LE(child->geometry().bottom(), line->geometry().top()) << child->objectName().toStdString();
    }
    EXPECT_LE(line->geometry().bottom(), full->geometry().top());
    EXPECT_LE(full->geometry().bottom(), window.height());
}

} // namespace

namespace {

// The choice of a full backup below the last backup's line: what the backup
// window's run reads, kept in the settings file as soon as it is made.
TEST(FullBackupChoice, IsWhatTheRunsReadAndIsKeptAtOnce)
{
    TempDir config;
    const std::string settings = config / "settings.ini";
    {
        frmMain window(settings);
        auto* full = window.findChild<QCheckBox*>("chkFullBackup");
        ASSERT_NE(full, nullptr);
        EXPECT_FALSE(full->isChecked());
        EXPECT_FALSE(window.fullBackup());
        full->click();
        EXPECT_TRUE(window.fullBackup());
        // Saved before the window closes: a backup started by the timer meanwhile follows it.
        EXPECT_EQ(platform::SettingsFile(settings).readValue("Options", "FullBackup", ""), "1");
    }
    frmMain reopened(settings);
    EXPECT_TRUE(reopened.findChild<QCheckBox*>("chkFullBackup")->isChecked());
    EXPECT_TRUE(reopened.fullBackup());
}

} // namespace
