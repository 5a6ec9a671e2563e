// "Clean up old backups…" on the main window's line of tools opens the
// clean-up window: its preview names each run with its rule or "remove" and
// the bytes, Remove removes exactly those, and a store held by another run
// is told in one "Error!" box with nothing removed.
#include "app/frmMain.h"
#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "platform/RunLock.h"
#include "platform/SettingsFile.h"
#include "prune/windows/frmPrune.h"
#include "store/JobRunner.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/TestSupport.h"
#include "ui/WindowDefinitions.h"

#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

class PruneWindow : public ::testing::Test {
protected:
    PruneWindow()
    {
        fields.to = dir / "store";
        makeDirs(fields.to);
        makeDirs(dir / "source");
        writeText(dir / "source/a.txt", "a");
        fields.from = { dir / "source/" };
        for (int month : { 4, 8 }) { // 2023: older than any rule keeps
            writeText(dir / "source/a.txt", "a of " + std::to_string(month));
            backUp(2023, month, 2, 9);
        }
        backUp(2026, 12, 9, 9);
        clock.setLocal(2026, 12, 9, 20, 0, 0);
    }

    void backUp(int year, int month, int day, int hour)
    {
        clock.setLocal(year, month, day, hour, 0, 0);
        ASSERT_FALSE(backUpWithoutWindow(fields, app.path()).runFolder.empty());
        dates.push_back(platform::formatDateText(clock.localNow()));
    }

    static std::vector<std::string> rows(const frmPrune& window)
    {
        std::vector<std::string> shown;
        const auto* list = window.findChild<QTreeWidget*>("lstRuns");
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            shown.push_back((item->text(0) + " | " + item->text(1) + " | " + item->text(2)).toStdString());
        }
        return shown;
    }

    static std::string total(const frmPrune& window)
    {
        return window.findChild<QLabel*>("lblTotal")->text().toStdString();
    }

    TempDir dir;
    ScopedAppFolder app;
    TestClock clock;
    ScriptedMessageBoxes boxes;
    FakeFields fields;
    std::vector<std::string> dates; // oldest first
};

TEST_F(PruneWindow, ThePreviewNamesEachRunsRuleAndRemoveRemovesThoseWithTheBytesItSaid)
{
    int previews = 0;
    frmPrune window(fields.to, app.path(), KeepRules{}, [&previews] { ++previews; });
    EXPECT_EQ(window.windowTitle().toStdString(), "Clean up old backups");
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(rows(window),
        (std::vector<std::string>{ dates[2] + " | complete | keep (newest complete)",
            dates[1] + " | complete | remove", dates[0] + " | complete | remove" }));
    const std::string said = total(window);
    const std::string bytes = std::to_string(window.plan().bytesFreed);
    EXPECT_EQ(said, "Removing 2 runs frees " + bytes + " bytes.");

    QProcess du;
    const auto measure = [&] {
        du.start("du", { "-s", "-B1", "--apparent-size", QString::fromStdString(fields.to) });
        EXPECT_TRUE(du.waitForFinished(60000));
        return std::stoull(du.readAllStandardOutput().split('\t').first().toStdString());
    };
    const std::uint64_t before = measure();
    auto* remove = window.findChild<QPushButton*>("cmdRemove");
    ASSERT_TRUE(remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].text;
    EXPECT_EQ(std::to_string(before - measure()), bytes);
    EXPECT_EQ(runNames(fields.to), std::vector<std::string>{ EncodePath(dates[2]) });
    EXPECT_EQ(rows(window), std::vector<std::string>{ dates[2] + " | complete | keep (newest complete)" });
    EXPECT_EQ(total(window), "No run to remove.");
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(PruneWindow, AStoreHeldByAnotherRunIsToldInOneErrorBoxAndNothingGoes)
{
    frmPrune window(fields.to, app.path(), KeepRules{});
    const platform::RunLock busy(RunLockFile(app.path()));
    ASSERT_TRUE(busy.held());
    QTest::mouseClick(window.findChild<QPushButton*>("cmdRemove"), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "Error!");
    EXPECT_TRUE(boxes.shown()[0].text.starts_with("Error!\r\n\r\nAnother backup or restore is running"))
        << boxes.shown()[0].text;
    EXPECT_EQ(runNames(fields.to).size(), 3u);
    EXPECT_EQ(rows(window).size(), 3u);
}

TEST_F(PruneWindow, TheMainWindowsToolButtonOpensItBelowTheDefinedControls)
{
    TempDir config;
    const std::string settings = config / "settings.ini";
    {
        platform::SettingsFile file(settings);
        file.writeValue("ToBackup", "ToBackup", fields.to);
        ASSERT_TRUE(file.save());
    }
    frmMain main(settings);
    std::string asked;
    QPointer<frmPrune> opened;
    main.setPruneWindowFactory([&](const MainFields& shown, QWidget* parent) -> QDialog* {
        asked = shown.backupTarget();
        opened = new frmPrune(shown.backupTarget(), app.path(), KeepRules{}, {}, parent);
        QTimer::singleShot(0, opened.data(), [&] {
            EXPECT_EQ(rows(*opened).size(), 3u);
            opened->reject();
        });
        return opened;
    });
    main.show();
    auto* button = main.findChild<QPushButton*>("cmdPrune");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), "Clean up old backups…");
    const QRect inMain(button->mapTo(&main, QPoint(0, 0)), button->size());
    EXPECT_GE(inMain.top(), twipsToPixels(frmMainDefinition().clientHeight));
    EXPECT_TRUE(main.rect().contains(inMain));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, fields.to);
    EXPECT_TRUE(opened.isNull()); // shown, closed and deleted
}

} // namespace
} // namespace testsupport
