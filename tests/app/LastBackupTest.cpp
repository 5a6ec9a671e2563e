// The main window's status line: how the newest run ended (by when the runs
// started, not by their names), the newest that reached its end when the
// newest did not, and a backup disk that is not there, in one line of its
// own below the defined controls that follows the disk as it comes and goes.
#include "app/LastBackup.h"
#include "app/StatusLine.h"
#include "app/frmMain.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"
#include "platform/gui/FolderPicker.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "store/StoreIdentity.h"
#include "store/StoreLayout.h"
#include "tests/support/ScopedStateHome.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

namespace {

using testsupport::makeDirs;
using testsupport::TempDir;

enum class Ends { Complete, Failed2, Stopped, CutShort, Unrecorded };

// A run folder named after a day in December 2026 at 21:00 whose record
// says it started on `startedDay` (the name's day when 0).
std::string makeRun(const std::string& target, int day, Ends ends, int startedDay = 0)
{
    std::tm when = testsupport::localTime(2026, 12, day, 21, 0, 0);
    const std::string date = platform::formatDateText(when);
    const std::string runFolder = RunFolderPath(target, date);
    makeDirs(runFolder);
    if (ends == Ends::Unrecorded)
        return date;
    std::tm started = testsupport::localTime(2026, 12, startedDay ? startedDay : day, 21, 0, 0);
    RunJournalWriter journal(runFolder);
    EXPECT_TRUE(journal.begin(std::int64_t{ std::mktime(&started) } * 1'000'000'000, "-mx5", "machine"));
    if (ends == Ends::Stopped) {
        EXPECT_TRUE(journal.stopped());
    }
    if (ends == Ends::Stopped || ends == Ends::CutShort) {
        EXPECT_TRUE(MarkRunIncomplete(runFolder, { "a.7z" }));
        return date;
    }
    EXPECT_TRUE(journal.end(ends == Ends::Failed2 ? 2 : 0));
    return date;
}

TEST(LastBackup, TheNewestRunByItsStartAndHowItEnded)
{
    TempDir target;
    EXPECT_EQ(LastBackupText(target.path()), "Last backup: none yet");
    const std::string old = makeRun(target.path(), 2, Ends::Unrecorded);
    EXPECT_EQ(LastBackupText(target.path()), "Last backup: " + old + ", complete");
    const std::string complete = makeRun(target.path(), 3, Ends::Complete);
    EXPECT_EQ(LastBackupText(target.path()), "Last backup: " + complete + ", complete");
    const std::string failed = makeRun(target.path(), 4, Ends::Failed2);
    EXPECT_EQ(LastBackupText(target.path()), "Last backup: " + failed + ", 2 folders failed");
    // Named later, started before: the clock was wrong when it was named.
    makeRun(target.path(), 20, Ends::Complete, 1);
    EXPECT_EQ(LastBackupText(target.path()), "Last backup: " + failed + ", 2 folders failed");

    const std::string stopped = makeRun(target.path(), 5, Ends::Stopped);
    EXPECT_EQ(LastBackupText(target.path()),
        "Last backup: " + stopped + ", stopped; the last to reach its end: " + failed + ", 2 folders failed");
    const std::string cutShort = makeRun(target.path(), 6, Ends::CutShort);
    EXPECT_EQ(LastBackupText(target.path()),
        "Last backup: " + cutShort + ", did not reach its end; the last to reach its end: " + failed
            + ", 2 folders failed");
}

TEST(LastBackup, NoTargetNoRunAndNoEndedRun)
{
    EXPECT_EQ(LastBackupText(""), "Last backup: none yet");
    EXPECT_EQ(LastBackupText("/no/such/folder"), "Last backup: none yet");
    TempDir target;
    const std::string cutShort = makeRun(target.path(), 6, Ends::CutShort);
    EXPECT_EQ(LastBackupText(target.path()),
        "Last backup: " + cutShort + ", did not reach its end; none reached its end");
}

TEST(StatusLine, PartsKeepTheirOrderAndAnEmptyOneIsLeftOut)
{
    StatusLine line;
    line.setPart("backups", "Last backup: none yet");
    line.setPart("next", "");
    EXPECT_EQ(line.text(), "Last backup: none yet");
    line.setPart("next", "Next backup: today 21:00");
    line.setPart("backups", "Last backup: <b>x</b>");
    EXPECT_EQ(line.text(),
        std::string("Last backup: <b>x</b>") + StatusLine::kSeparator + "Next backup: today 21:00");
    EXPECT_EQ(line.label()->toolTip(), platform::textFromBytes(line.text()));
    EXPECT_EQ(line.label()->textFormat(), Qt::PlainText);
}

TEST(StatusLine, TooLongForOneRowItBreaksBetweenPartsAndClauses)
{
    StatusLine line;
    const QFontMetrics metrics = line.label()->fontMetrics();
    const std::string last = "Last backup: 12/08/26 02:59:30, complete";
    const std::string tried
        = "not started 2026-12-09 03:00: the backup disk is not there, connect it or choose the target again";
    const std::string next = "Next backup: 2026-12-09 00:00";
    auto width
        = [&](const std::string& text) { return metrics.horizontalAdvance(QString::fromStdString(text)); };
    line.setPart("backups", last);
    line.setPart("schedule", next);
    // Room for each part, not for both, on two rows.
    line.resize(std::max(width(last), width(next)) + 8, 3 * metrics.lineSpacing() - 1);
    line.show();
    EXPECT_EQ(line.label()->text().toStdString(), last + "\n" + next);

    // A part of two clauses: the first row ends as its clause did, and the
    // rest shares the last row, giving way in its middle.
    line.setPart("backups", last + "; " + tried);
    const QStringList rows = line.label()->text().split('\n');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toStdString(), last + ";");
    EXPECT_TRUE(rows[1].startsWith("not started")) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].endsWith("00:00")) << rows[1].toStdString();
    EXPECT_LE(metrics.horizontalAdvance(rows[1]), line.label()->contentsRect().width());
    EXPECT_EQ(line.label()->toolTip().toStdString(), line.text());
}

class MainStatusLine : public ::testing::Test {
protected:
    void SetUp() override { platform::gui::resetFolderPicker(); }
    void TearDown() override { platform::gui::resetFolderPicker(); }

    std::string settings() const { return config / "settings.ini"; }
    void seed(const std::string& to)
    {
        platform::SettingsFile file(settings());
        file.writeValue("ToCopy", "ToCopy0", source.path());
        file.writeValue("ToBackup", "ToBackup", to);
        ASSERT_TRUE(file.save());
    }
    // The line's whole text; the label may show it shortened in its
    // middle, and holds all of it in its tip.
    static std::string shown(frmMain& window)
    {
        auto* line = window.findChild<StatusLine*>("statusLine");
        auto* label = window.findChild<QLabel*>("lblStatus");
        EXPECT_NE(line, nullptr);
        EXPECT_NE(label, nullptr);
        if (!line || !label)
            return {};
        EXPECT_EQ(platform::bytesFromText(label->toolTip()), line->text());
        // Each row it shows fits, and the rows fit its height.
        const QStringList rows = label->text().split('\n');
        for (const QString& row : rows)
            EXPECT_LE(label->fontMetrics().horizontalAdvance(row), label->contentsRect().width());
        EXPECT_LE(rows.size() * label->fontMetrics().lineSpacing(), label->contentsRect().height());
        return line->text();
    }
    std::string missingText() const
    {
        return "The backup disk is not there: " + target.path()
            + "/. Connect it, or choose the target again with Change.";
    }

    TempDir config;
    TempDir target;
    TempDir source;
    TempDir stateHome;
    testsupport::ScopedStateHome scopedState{ stateHome.path() };
};

TEST_F(MainStatusLine, SaysHowTheLastRunEndedBelowTheDefinedControls)
{
    const std::string date = makeRun(target.path(), 6, Ends::Failed2);
    seed(target.path());
    frmMain window(settings());
    EXPECT_EQ(shown(window), "Last backup: " + date + ", 2 folders failed");
    // Every defined control lies above the line, and the full-backup choice below it.
    auto* line = window.findChild<QWidget*>("statusLine");
    auto* full = window.findChild<QWidget*>("chkFullBackup");
    ASSERT_NE(line, nullptr);
    ASSERT_NE(full, nullptr);
    for (const QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // The check button shares the status line; the lines of choices
        // and tools come below the full-backup choice.
        const QString name = child->objectName();
        if (name == "choicesLine" || name == "toolsLine") {
            EXPECT_GE(child->geometry().top(), full->geometry().bottom()) << name.toStdString();
            EXPECT_LE(child->geometry().bottom(), window.height()) << name.toStdString();
            continue;
        }
        if (child == line || child == full || name.isEmpty() || name == "cmdCheck")
            continue;
        EXPECT_LE(child->geometry().bottom(), line->geometry().top()) << child->objectName().toStdString();
    }
    EXPECT_LE(line->geometry().bottom(), full->geometry().top());
    EXPECT_LE(full->geometry().bottom(), window.height());
}

TEST_F(MainStatusLine, ADiskThatIsNotThereIsSaidAndFollowedUntilChosenAgain)
{
    const std::string date = makeRun(target.path(), 6, Ends::Complete);
    ASSERT_TRUE(NoteStore(target.path(), StoreStateFolder()));
    const std::string idFile = target / kStoreIdentityFile;
    const std::string id = testsupport::readText(idFile);
    std::filesystem::remove_all(target.path());
    makeDirs(target.path()); // the empty mount point
    seed(target.path() + "/");
    frmMain window(settings());
    auto* backup = window.findChild<QPushButton*>("cmdBackup");
    window.Timer1_Timer();
    EXPECT_EQ(shown(window), missingText());
    // Backup! stays there to press: the run says the same in its box.
    EXPECT_TRUE(backup->isEnabled());

    // The disk comes back: the line follows at the next tick.
    makeRun(target.path(), 6, Ends::Complete);
    testsupport::writeText(idFile, id);
    window.Timer1_Timer();
    EXPECT_EQ(shown(window), "Last backup: " + date + ", complete");

    // The mount point itself goes: Backup! is greyed, and the line says why.
    std::filesystem::remove_all(target.path());
    window.Timer1_Timer();
    EXPECT_EQ(shown(window), missingText());
    EXPECT_FALSE(backup->isEnabled());

    // Chosen again with Change: a fresh store, no word of a missing disk.
    makeDirs(target.path());
    platform::gui::setNextPickedFolder(target.path());
    QTest::mouseClick(window.findChild<QPushButton*>("cmdToChange"), Qt::LeftButton);
    EXPECT_EQ(shown(window), "Last backup: none yet");
    EXPECT_FALSE(RemembersStore(target.path(), StoreStateFolder()));
    window.Timer1_Timer();
    EXPECT_TRUE(backup->isEnabled());
}

TEST_F(MainStatusLine, ATargetThatIsNotThereAtAllIsSaid)
{
    seed(target / "gone");
    frmMain window(settings());
    EXPECT_EQ(shown(window), "The backup target is not there: " + target.path() + "/gone");
}

} // namespace

namespace {

// The choice of a full backup below the status line: what the backup
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
