// SIGTERM sent to the program while the backup window runs: the run is
// stopped as the user's stop does it, without a question, and the program
// ends after the run's closing steps. The signal is real, sent to this
// process, and caught the way the program catches it.
#include "app/EndRequests.h"
#include "app/frmMain.h"
#include "backup/windows/frmBackup.h"
#include "platform/FileSystem.h"
#include "platform/SettingsFile.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <unistd.h>

namespace testsupport {
namespace {

// Runs the application's event loop as the program does, ended by the test
// after `limitMs` should nothing else end it; true when something else did.
bool programEnds(int limitMs)
{
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(limitMs);
    QApplication::exec();
    return !timedOut;
}

// Comes first: a signal that ends the program also ends every event loop
// running at that moment.
TEST(StopBySignal, WithNoRunGoingTheProgramEndsAtOnce)
{
    const EndRequests endRequests(*qApp);
    ASSERT_TRUE(endRequests.catchesSignals());
    QTimer::singleShot(0, [] { ::kill(::getpid(), SIGTERM); });
    EXPECT_TRUE(programEnds(10000));
}

TEST(StopBySignal, TermSignalStopsTheBackupWindowsRunWithoutAskingAndEndsTheProgram)
{
    ScopedAppFolder app;
    TempDir dir;
    const std::string small = dir / "source/a small one";
    const std::string big = dir / "source/big";
    const std::string later = dir / "source/later";
    makeDirs(small);
    makeDirs(big);
    makeDirs(later);
    writeText(later + "/after.txt", "not reached");
    makeDirs(dir / "target");
    writeText(small + "/note.txt", "kept");
    writeRandomFile(big + "/blob.bin", 150);
    FakeFields fields;
    fields.to = dir / "target";
    fields.from = { dir / "source" };
    // Any box at all is a failure here: the scripted handler records it.
    ScriptedMessageBoxes boxes;
    const EndRequests endRequests(*qApp);

    frmBackup window(fields, app.path());
    // As soon as the archiver works on the large folder, the system asks the
    // program to end.
    whenArchiveBegins(window, big + "/", [] { ::kill(::getpid(), SIGTERM); });
    QTimer::singleShot(0, &window, [&window] { window.show(); });
    ASSERT_TRUE(programEnds(60000));
    ASSERT_TRUE(window.runFinished());

    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].title;
    EXPECT_TRUE(window.backupRun().summary().stopped);
    const std::string runFolder = window.backupRun().RunFolder;
    // The folder before the large one is in the run; the large one, which
    // was under way, and the one after it are not; nothing is left behind
    // in the source folders.
    EXPECT_TRUE(platform::fileExists(runFolder + "/" + ArchiveName(small + "/")));
    EXPECT_FALSE(platform::fileExists(runFolder + "/" + ArchiveName(big + "/")));
    EXPECT_FALSE(platform::fileExists(runFolder + "/" + ArchiveName(later + "/")));
    EXPECT_EQ(allNames(big), std::vector<std::string>{ "blob.bin" });
    EXPECT_TRUE(archivesBelow(dir / "source").empty());
    EXPECT_FALSE(ReadRunState(runFolder).complete);
    // The log, newest line first, ends with the summary of a stopped run.
    const std::vector<std::string> log = window.logLines();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(log.front().starts_with("Summary: 2 folders stored")) << log.front();
    EXPECT_TRUE(log.front().ends_with(", stopped by the user")) << log.front();
    EXPECT_EQ(std::find(log.begin(), log.end(), "End:     Copy Folders and compress..."), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "Start:   Copy " + later + "/"), log.end());
}

// As the program is put together: the main window opens the backup window
// modally over itself. One SIGTERM during the run is enough: the run stops,
// and the program ends with its main window, which saves its settings.
TEST(StopBySignal, OneTermSignalEndsTheProgramWithItsMainWindowAfterTheRun)
{
    ScopedAppFolder app;
    TempDir dir;
    const std::string big = dir / "source/big";
    makeDirs(big);
    makeDirs(dir / "target");
    makeDirs(dir / "restore");
    writeRandomFile(big + "/blob.bin", 150);
    const std::string settings = dir / "settings.ini";
    {
        platform::SettingsFile store(settings);
        store.writeValue("ToCopy", "ToCopy0", dir / "source");
        store.writeValue("ToBackup", "ToBackup", dir / "target");
        store.writeValue("ToUnBackup", "ToUnBackup", dir / "restore");
        ASSERT_TRUE(store.save());
    }
    ScriptedMessageBoxes boxes;
    const EndRequests endRequests(*qApp);

    frmMain window(settings);
    std::string runFolder;
    window.setRunWindowFactories(
        [&](const MainFields& fields, QWidget* parent) -> QDialog* {
            auto* backup = new frmBackup(fields, app.path(), parent);
            whenArchiveBegins(*backup, big + "/", [backup, &runFolder] {
                runFolder = backup->backupRun().RunFolder;
                ::kill(::getpid(), SIGTERM);
            });
            return backup;
        },
        {});
    QTimer::singleShot(0, &window, [&window] {
        window.show();
        window.Timer1_Timer();
        window.findChild<QPushButton*>("cmdBackup")->click();
    });
    ASSERT_TRUE(programEnds(60000));
    EXPECT_TRUE(boxes.shown().empty()) << boxes.shown()[0].title;
    ASSERT_FALSE(runFolder.empty());
    EXPECT_FALSE(ReadRunState(runFolder).complete);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace testsupport
