// Stopping a backup from its window in the middle of a large folder: the
// close request asks first, the archiver's job is ended, nothing is left in
// the source folder and the run does not reach its end. Once the run is
// over, Escape closes the window like Done.
#include "backup/windows/frmBackup.h"
#include "platform/FileSystem.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace testsupport {
namespace {

bool holds(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

TEST(StopBackupWindow, CloseRequestAsksThenStopsTheArchiverAndLeavesNothingInTheFolder)
{
    ScopedAppFolder app;
    TempDir dir;
    const std::string big = dir / "source/big";
    makeDirs(big);
    makeDirs(dir / "target");
    writeRandomFile(big + "/blob.bin", 200);
    FakeFields fields;
    fields.to = dir / "target";
    fields.from = { dir / "source" };
    ScriptedMessageBoxes boxes;
    boxes.answerAlways(ProgressWindow::kStopTitle, platform::MsgAnswer::Yes);

    frmBackup window(fields, app.path());
    // As soon as the archiver works on the large folder's archive in the run
    // folder, the user closes the window.
    whenArchiveBegins(window, big + "/", [&window] { EXPECT_FALSE(window.close()); });
    ASSERT_TRUE(runToEnd(window));

    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, ProgressWindow::kStopTitle);
    EXPECT_TRUE(window.backupRun().summary().stopped);
    EXPECT_EQ(allNames(big), std::vector<std::string>{ "blob.bin" });
    const std::vector<std::string> log = window.logLines();
    EXPECT_FALSE(holds(log, "End:     Copy Folders and compress..."));
    EXPECT_FALSE(platform::fileExists(window.backupRun().RunFolder + "/" + ArchiveName(big + "/")));
    // The run stays marked as one that did not reach its end.
    EXPECT_FALSE(ReadRunState(window.backupRun().RunFolder).complete);

    // The run is over: Escape closes the window like Done.
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace testsupport
