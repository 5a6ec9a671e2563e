// "Back up every day" in the main window switches the systemd user timer,
// and the status line says when it next runs. A stand-in systemctl first on
// PATH plays the user session: one with the timer on or off, one where the
// session cannot be reached, one without the timer installed, and one that
// refuses the switch.
#include "app/DailySchedule.h"
#include "app/StatusLine.h"
#include "app/frmMain.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QDateTime>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using testsupport::readText;
using testsupport::TempDir;
using testsupport::writeText;

// 2026-12-01 00:00:00 UTC, as systemd gives the timer's next elapse.
constexpr qint64 kNextElapse = 1'796'083'200;

class DailyBackupChoice : public ::testing::Test {
protected:
    DailyBackupChoice()
    {
        // The session: "on", "off", "nosession", "notimer" or "refuse", and
        // every call the program made, one a line.
        writeText(session / "systemctl",
            "#!/bin/sh\n"
            "dir='"
                + session.path()
                + "'\n"
                  "echo \"$*\" >> \"$dir/calls\"\n"
                  "mode=$(cat \"$dir/mode\")\n"
                  "if [ \"$mode\" = nosession ]; then echo 'Failed to connect to bus: No medium found' >&2; "
                  "exit 1; fi\n"
                  "case \"$2\" in\n"
                  "show)\n"
                  "  if [ \"$mode\" = notimer ]; then\n"
                  "    printf "
                  "'Id=quorvel-backup.timer\\nLoadState=not-found\\nUnitFileState=\\nNextElapseUSecRealtime="
                  "\\n'\n"
                  "    exit 0\n"
                  "  fi\n"
                  "  if [ \"$mode\" = on ]; then state=enabled; next=@"
                + std::to_string(kNextElapse)
                + "; else state=disabled; next=; fi\n"
                  "  printf "
                  "'Id=quorvel-backup.timer\\nLoadState=loaded\\nUnitFileState=%s\\nNextElapseUSecRealtime=%"
                  "s\\n' \"$state\" \"$next\";;\n"
                  "enable|disable)\n"
                  "  if [ \"$mode\" = refuse ]; then echo 'Failed to enable unit: Access denied' >&2; exit "
                  "1; fi\n"
                  "  if [ \"$2\" = enable ]; then echo on > \"$dir/mode\"; else echo off > \"$dir/mode\"; "
                  "fi;;\n"
                  "esac\n");
        std::filesystem::permissions(session / "systemctl", std::filesystem::perms::owner_all);
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (session.path() + ":" + m_path).c_str(), 1);
    }
    ~DailyBackupChoice() override { ::setenv("PATH", m_path.c_str(), 1); }

    void setMode(const std::string& mode) { writeText(session / "mode", mode + "\n"); }
    std::string calls() const
    {
        return std::filesystem::exists(session / "calls") ? readText(session / "calls") : std::string();
    }
    static QCheckBox* dailyBox(frmMain& window) { return window.findChild<QCheckBox*>("chkDailyBackup"); }
    static std::string nextShown(frmMain& window)
    {
        return window.findChild<StatusLine*>("statusLine")->part("schedule");
    }
    // Waits until systemctl has answered and the box shows it.
    static void answered(frmMain& window, bool enabled)
    {
        QTRY_COMPARE_WITH_TIMEOUT(dailyBox(window)->isEnabled(), enabled, 10000);
        QTest::qWait(50);
    }

    TempDir session;
    TempDir config;

private:
    std::string m_path;
};

const std::string kShow = "--user show --timestamp=unix -p Id -p LoadState -p UnitFileState -p "
                          "NextElapseUSecRealtime quorvel-backup.timer\n";

TEST_F(DailyBackupChoice, SwitchesTheTimerAndShowsItsNextRun)
{
    setMode("on");
    frmMain window(config / "settings.ini");
    QCheckBox* box = dailyBox(window);
    ASSERT_NE(box, nullptr);
    answered(window, true);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text().toStdString(), "Back up every day");
    const std::string next
        = QDateTime::fromSecsSinceEpoch(kNextElapse).toString("yyyy-MM-dd HH:mm").toStdString();
    EXPECT_EQ(nextShown(window), "Next backup: " + next);
    EXPECT_EQ(calls(), kShow);

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(box->isEnabled()); // until the session has answered
    answered(window, true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(nextShown(window), "");
    EXPECT_EQ(calls(), kShow + "--user disable --now quorvel-backup.timer\n" + kShow);

    QTest::mouseClick(box, Qt::LeftButton);
    answered(window, true);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(nextShown(window), "Next backup: " + next);
    EXPECT_EQ(calls(),
        kShow + "--user disable --now quorvel-backup.timer\n" + kShow
            + "--user enable --now quorvel-backup.timer\n" + kShow);
}

TEST_F(DailyBackupChoice, ARefusedSwitchIsAnErrorBoxAndTheBoxFollowsTheTimer)
{
    setMode("off");
    testsupport::ScriptedMessageBoxes boxes;
    frmMain window(config / "settings.ini");
    answered(window, true);
    EXPECT_FALSE(dailyBox(window)->isChecked());
    setMode("refuse");
    QTest::mouseClick(dailyBox(window), Qt::LeftButton);
    answered(window, true);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_EQ(boxes.shown()[0].text,
        "Error!\r\n\r\nThe daily backup could not be switched.\r\nFailed to enable unit: Access denied");
    EXPECT_FALSE(dailyBox(window)->isChecked());
    EXPECT_EQ(nextShown(window), "");
}

TEST_F(DailyBackupChoice, WithoutASessionOrTheTimerTheBoxIsGreyedAndSaysWhy)
{
    setMode("nosession");
    {
        frmMain window(config / "settings.ini");
        QTRY_VERIFY_WITH_TIMEOUT(dailyBox(window)->text().contains("session"), 10000);
        EXPECT_FALSE(dailyBox(window)->isEnabled());
        EXPECT_FALSE(dailyBox(window)->isChecked());
        EXPECT_EQ(dailyBox(window)->text().toStdString(), "Back up every day (no systemd user session)");
        EXPECT_EQ(dailyBox(window)->toolTip().toStdString(),
            "There is no systemd user session to switch the daily timer in: Failed to connect to bus: No "
            "medium found");
        EXPECT_EQ(nextShown(window), "");
    }
    setMode("notimer");
    {
        frmMain window(config / "settings.ini");
        QTRY_VERIFY_WITH_TIMEOUT(dailyBox(window)->text().contains("installed"), 10000);
        EXPECT_FALSE(dailyBox(window)->isEnabled());
        EXPECT_EQ(
            dailyBox(window)->text().toStdString(), "Back up every day (the daily timer is not installed)");
        EXPECT_TRUE(dailyBox(window)->toolTip().contains("runs from its build folder"));
    }
    // No systemctl at all.
    std::filesystem::remove(session / "systemctl");
    ::setenv("PATH", session.path().c_str(), 1);
    frmMain window(config / "settings.ini");
    QTRY_VERIFY_WITH_TIMEOUT(dailyBox(window)->text().contains("no systemd here"), 10000);
    EXPECT_FALSE(dailyBox(window)->isEnabled());
    EXPECT_EQ(calls().find("enable"), std::string::npos);
}

} // namespace
