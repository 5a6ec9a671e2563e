// The backup window's progress strip: folders done of the total, the bar
// and the time, below the defined controls, which keep their places.
#include "backup/windows/frmBackup.h"
#include "tests/support/WindowDriving.h"

#include <QLabel>
#include <QListView>
#include <QProgressBar>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

TEST(BackupProgress, ShowsFoldersDoneOfTheTotalAndTheTimeBelowTheDefinedControls)
{
    ScopedAppFolder app;
    TempDir dir;
    makeDirs(dir / "source/a");
    makeDirs(dir / "source/b");
    makeDirs(dir / "target");
    writeText(dir / "source/a/file.txt", "a");
    FakeFields fields;
    fields.to = dir / "target";
    fields.from = { dir / "source" };
    ScriptedMessageBoxes boxes;

    frmBackup window(fields, app.path());
    const int definedBottom = window.lblBackuping()->geometry().bottom();
    ASSERT_TRUE(runToEnd(window));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(window.lblProgress()->text(), "Folders: 3 of 3");
    EXPECT_GT(window.barProgress()->maximum(), 0);
    EXPECT_EQ(window.barProgress()->value(), window.barProgress()->maximum());
    EXPECT_TRUE(window.lblTime()->text().startsWith("Elapsed "));
    EXPECT_GT(window.barProgress()->mapTo(&window, QPoint(0, 0)).y(), definedBottom);
    EXPECT_GT(
        window.barProgress()->mapTo(&window, QPoint(0, 0)).y(), window.lstBackup()->geometry().bottom());
    EXPECT_LE(
        window.barProgress()->mapTo(&window, QPoint(0, window.barProgress()->height())).y(), window.height());
    window.cmdDone_Click();
}

} // namespace
} // namespace testsupport
