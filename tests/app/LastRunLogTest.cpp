// The last backup in the main window's status line, whatever ended it, with
// "Show log" opening the log that backup kept in the state folder; only the
// newest logs are kept.
#include "app/StatusLine.h"
#include "app/frmMain.h"
#include "backup/BackupRun.h"
#include "platform/SettingsFile.h"
#include "restore/windows/TextViewer.h"
#include "store/JobRunner.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/RunLogs.h"
#include "store/StoreIdentity.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/ScopedStateHome.h"
#include "tests/support/TestSupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using testsupport::TempDir;

class LastRunLog : public ::testing::Test {
protected:
    LastRunLog()
    {
        fields.to = target.path();
        fields.from = { testsupport::folderWithFiles(source.path(), "docs") };
        platform::SettingsFile file(config / "settings.ini");
        file.writeValue("ToCopy", "ToCopy0", fields.from[0]);
        file.writeValue("ToBackup", "ToBackup", target.path());
        EXPECT_TRUE(file.save());
        m_previousViewer = setTextViewerHandler([this](const std::string& path) { opened.push_back(path); });
    }
    ~LastRunLog() override { setTextViewerHandler(m_previousViewer); }

    testsupport::QuietBackup backUp(
        const std::string& appFolder, const std::function<void(BackupRun&, const std::string&)>& onLine = {})
    {
        return testsupport::backUpWithoutWindow(fields, appFolder, onLine);
    }
    // A kept log as the user reads it: the target, then the run's lines.
    std::string logOf(const testsupport::QuietBackup& run) const
    {
        std::string text = "Backup into: " + target.path() + "\n";
        for (const std::string& line : run.log)
            text += line + "\n";
        return text;
    }
    std::string newestDate() const { return ListRuns(target.path()).front().date; }
    // What the window's status line says, and the log its "Show log" opens
    // (empty when the button is greyed).
    std::pair<std::string, std::string> shownBy(frmMain& window)
    {
        auto* showLog = window.findChild<QPushButton*>("cmdShowLog");
        EXPECT_NE(showLog, nullptr);
        if (!showLog)
            return {};
        opened.clear();
        QTest::mouseClick(showLog, Qt::LeftButton);
        const std::string line = window.findChild<StatusLine*>("statusLine")->part("backups");
        if (!showLog->isEnabled())
            return { line, {} };
        EXPECT_EQ(opened.size(), 1u);
        return { line, opened.empty() ? std::string() : testsupport::readText(opened.back()) };
    }

    TempDir config;
    TempDir target;
    TempDir source;
    TempDir stateHome;
    testsupport::ScopedStateHome scopedState{ stateHome.path() };
    testsupport::ScopedAppFolder app;
    testsupport::ScriptedMessageBoxes boxes;
    testsupport::FakeFields fields;
    std::vector<std::string> opened;

private:
    TextViewerHandler m_previousViewer;
};

TEST_F(LastRunLog, EachOutcomeIsSaidAndShowLogOpensThatRunsLog)
{
    {
        frmMain none(config / "settings.ini");
        EXPECT_EQ(shownBy(none), std::make_pair(std::string("Last backup: none yet"), std::string()));
    }

    const auto complete = backUp(app.path());
    const std::string completeDate = newestDate();
    frmMain window(config / "settings.ini");
    EXPECT_EQ(
        shownBy(window), std::make_pair("Last backup: " + completeDate + ", complete", logOf(complete)));

    // A source folder that is gone: the run reaches its end without it.
    fields.from.push_back(source / "gone/");
    const auto failed = backUp(app.path());
    fields.from.pop_back();
    const std::string failedDate = newestDate();
    window.showLastBackup();
    EXPECT_EQ(
        shownBy(window), std::make_pair("Last backup: " + failedDate + ", 1 folder failed", logOf(failed)));

    const auto stopped = backUp(app.path(), [](BackupRun& run, const std::string& line) {
        if (line.starts_with("Start:   Copy"))
            run.requestStop();
    });
    window.showLastBackup();
    EXPECT_EQ(shownBy(window),
        std::make_pair("Last backup: " + newestDate() + ", stopped; the last to reach its end: " + failedDate
                + ", 1 folder failed",
            logOf(stopped)));

    // An error that ends the steps half-way (a disk that fills) leaves the
    // run as a kill would: marked incomplete.
    const auto cutShort = backUp(app.path(), [](BackupRun&, const std::string& line) {
        if (line.starts_with("Start:   Copy"))
            throw RunError("No space left on device");
    });
    window.showLastBackup();
    EXPECT_EQ(shownBy(window),
        std::make_pair("Last backup: " + newestDate()
                + ", did not reach its end; the last to reach its end: " + failedDate + ", 1 folder failed",
            logOf(cutShort)));

    // The disk goes: the line says so first, and the backup tried meanwhile
    // is the one whose log opens. Once it is back, that backup is still the
    // last one, and the line says why it did not start.
    const std::string id = testsupport::readText(target / kStoreIdentityFile);
    std::filesystem::remove(target / kStoreIdentityFile);
    const auto notThere = backUp(app.path());
    EXPECT_TRUE(notThere.runFolder.empty());
    window.showLastBackup();
    {
        const auto [line, log] = shownBy(window);
        EXPECT_TRUE(line.starts_with("The backup disk is not there: " + target.path())) << line;
        EXPECT_EQ(log, logOf(notThere));
    }
    testsupport::writeText(target / kStoreIdentityFile, id);
    window.showLastBackup();
    {
        const auto [line, log] = shownBy(window);
        EXPECT_NE(line.find(", 1 folder failed; not started "), std::string::npos) << line;
        EXPECT_TRUE(line.ends_with(": the backup disk is not there")) << line;
        EXPECT_TRUE(line.starts_with("Last backup: " + newestDate() + ", did not reach its end")) << line;
        EXPECT_EQ(log, logOf(notThere));
    }

    // A backup begun elsewhere while the window is open (the daily timer)
    // is told once its log has stopped growing; the window ticks during
    // the run, too, and must not keep what it saw then.
    const auto elsewhere = backUp(app.path());
    window.Timer1_Timer();
    window.Timer1_Timer();
    EXPECT_EQ(
        shownBy(window), std::make_pair("Last backup: " + newestDate() + ", complete", logOf(elsewhere)));

    // A backup of another target is not this one's last.
    fields.to = stateHome / "elsewhere";
    testsupport::makeDirs(fields.to);
    (void)backUp(app.path());
    window.showLastBackup();
    EXPECT_EQ(shownBy(window).second, logOf(elsewhere));
}

TEST_F(LastRunLog, TheNewestThirtyLogsAreKeptAndARunFindsItsOwn)
{
    const auto first = backUp(app.path());
    const std::string firstLog = ReadRunJournal(ListRuns(target.path()).front().folder)->log;
    ASSERT_FALSE(firstLog.empty());
    EXPECT_EQ(
        testsupport::readText(RunLogFolder(StoreStateFolder()) + "/" + firstLog),
        "Backup into: " + target.path() + "\n" + [&] {
            std::string text;
            for (const std::string& line : first.log)
                text += line + "\n";
            return text;
        }());

    // Thirty backups that cannot start (no archiver): the 31st log pushes
    // the first run's out.
    const testsupport::ScopedAppFolder noArchiver(false);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kKeptRunLogs; ++i) {
        (void)backUp(noArchiver.path());
        names.push_back(KeptRunLogs(StoreStateFolder()).front().name);
    }
    std::vector<std::string> kept;
    for (const KeptRunLog& log : KeptRunLogs(StoreStateFolder()))
        kept.push_back(log.name);
    std::reverse(names.begin(), names.end());
    EXPECT_EQ(kept, names);
    EXPECT_EQ(testsupport::allNames(RunLogFolder(StoreStateFolder())).size(), kKeptRunLogs);

    frmMain window(config / "settings.ini");
    auto [line, log] = shownBy(window);
    EXPECT_NE(line.find("; not started "), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with(": 7z missing")) << line;
    EXPECT_EQ(log, testsupport::readText(KeptRunLogs(StoreStateFolder()).front().path));

    // A run whose log went is still said; there is no log to show.
    std::filesystem::remove(KeptRunLogs(StoreStateFolder()).front().path);
    for (const KeptRunLog& old : KeptRunLogs(StoreStateFolder()))
        std::filesystem::remove(old.path);
    window.showLastBackup();
    EXPECT_EQ(shownBy(window), std::make_pair("Last backup: " + newestDate() + ", complete", std::string()));

    const auto next = backUp(app.path());
    window.showLastBackup();
    EXPECT_EQ(shownBy(window).second, logOf(next));
}

} // namespace
