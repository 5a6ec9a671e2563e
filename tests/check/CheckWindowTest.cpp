// The "Check backups" button of the main window opens the check window over
// it, which runs a real check to its end with its progress and closes with
// "Done"; every defined control stays where it was.
#include "tests/check/CheckFixture.h"

#include "app/StatusLine.h"
#include "app/frmMain.h"
#include "check/CheckStatus.h"
#include "check/windows/frmCheck.h"
#include "platform/SettingsFile.h"
#include "store/CheckRecord.h"
#include "ui/WindowDefinitions.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

class CheckWindowTest : public CheckStore { };

TEST_F(CheckWindowTest, TheButtonOpensTheCheckWindowWhichRunsToItsEnd)
{
    backUpQuietly();
    TempDir config;
    const std::string settings = config / "settings.ini";
    {
        platform::SettingsFile file(settings);
        file.writeValue("ToBackup", "ToBackup", fields.to);
        ASSERT_TRUE(file.save());
    }
    frmMain main(settings);
    QPointer<frmCheck> opened;
    main.setCheckWindowFactory([&](const MainFields& shown, QWidget* parent) -> QDialog* {
        opened = new frmCheck(shown, app.path(), {}, parent);
        return opened;
    });
    main.show();
    auto* button = main.findChild<QPushButton*>("cmdCheck");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), "Check backups");
    // Below every defined control, on the status line, clear of the
    // full-backup choice below it.
    const int definedHeight = twipsToPixels(frmMainDefinition().clientHeight);
    const QRect inMain(button->mapTo(&main, QPoint(0, 0)), button->size());
    EXPECT_GE(inMain.top(), definedHeight);
    EXPECT_FALSE(inMain.intersects(main.findChild<QWidget*>("chkFullBackup")->geometry()));
    EXPECT_TRUE(main.rect().contains(inMain));

    bool finished = false;
    std::vector<std::string> log;
    int progressShown = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!opened || !opened->isVisible())
            return;
        if (opened->barProgress()->maximum() > 0)
            progressShown = opened->barProgress()->maximum();
        if (opened->runFinished() && !finished) {
            finished = true;
            log = opened->logLines();
            QTest::mouseClick(opened->cmdDone(), Qt::LeftButton);
        }
    });
    poll.start(20);
    QTimer::singleShot(120000, [&] {
        if (opened && opened->isVisible())
            opened->hide();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    poll.stop();

    EXPECT_TRUE(finished);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Summary: 4 folders checked, 0 failed, 0 changed, 0 skipped");
    EXPECT_EQ(log[1], "4 archives checked, 0 damaged; every archive checked today");
    EXPECT_EQ(CheckRecord::read(fields.to).paths(), 4u);
    EXPECT_GT(progressShown, 0);
    EXPECT_EQ(frmCheck::definition().caption, "Check backups");
    // The last-backup line now says how the check stands.
    const auto* status = main.findChild<StatusLine*>("statusLine");
    ASSERT_NE(status, nullptr);
    const std::string line = status->text();
    EXPECT_TRUE(line.ends_with("; store checked in full " + CheckDate(CheckClockNow()))) << line;
}

} // namespace
} // namespace testsupport
