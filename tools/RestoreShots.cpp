// Shows the restore windows on a real display for screenshots, not a test.
//   restore_shots dialog [PICTURE] - the date dialog over the restore window, left
//       open, or saved into PICTURE
//   restore_shots folders [PICTURE] - the folder dialog that follows the date,
//       one folder unticked, left open or saved into PICTURE
//   restore_shots finished - a finished restore of a small generated store
//   restore_shots running FOLDERS PICTURES - a restore of a store of FOLDERS
//       folders, with pictures saved during and after the run; then it ends
// Otherwise the program stays up until it is ended.
#include "platform/Clock.h"
#include "restore/windows/frmUnBackup.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "restore/windows/frmUnBackupSelectFolders.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "tests/support/FakeFields.h"
#include "tests/support/StoreFixtures.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowDriving.h"
#include "tools/RunWindowShots.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// A folder of a few files, stored as a backup stores it.
void store(const std::string& runFolder, const std::string& folder, int files)
{
    testsupport::makeDirs(folder);
    for (int i = 0; i < files; ++i)
        testsupport::writeText(
            folder + "/file " + std::to_string(i) + ".txt", "content " + std::to_string(i));
    testsupport::storeFolder(runFolder, folder);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::initLocale();
    const bool running = argc > 3 && std::string(argv[1]) == "running";
    const bool finished = running || (argc > 1 && std::string(argv[1]) == "finished");
    const bool folders = argc > 1 && std::string(argv[1]) == "folders";
    const char* picture = !running && !finished && argc > 2 ? argv[2] : nullptr;

    testsupport::TempDir dir;
    testsupport::ScopedAppFolder appFolder;
    testsupport::FakeFields fields;
    fields.to = dir / "backups";
    fields.unBackupTo = dir / "restored";
    testsupport::makeDirs(fields.unBackupTo);
    for (int day : { 3, 4, 5 }) {
        const std::string run
            = testsupport::makeRunFolder(fields.to, testsupport::dateText(2026, 12, day, 9 + day, 6, 11));
        // Runs that ended in each way, for the outcomes the date dialog names.
        std::tm started = testsupport::localTime(2026, 12, day, 9 + day, 6, 11);
        RunJournalWriter journal(run);
        (void)journal.begin(std::int64_t{ std::mktime(&started) } * 1'000'000'000, "", "");
        if (day == 3)
            (void)journal.end(2);
        if (day == 4) {
            (void)journal.stopped();
            (void)MarkRunIncomplete(run, {});
        }
        if (day == 5) {
            (void)journal.end(0);
            store(run, dir / "home/ann/Documents", 3);
            store(run, dir / "home/ann/Documents/Letters 2026", 2);
            store(run, dir / "home/ann/Pictures", 4);
            for (int i = 0; running && i < std::atoi(argv[2]); ++i)
                store(run, dir / ("home/ann/Projects/Project " + std::to_string(i)), 2 + i % 5);
        }
    }

    // The boxes are answered here, so that the shot shows the windows alone.
    testsupport::ScriptedMessageBoxes boxes;
    boxes.answerAlways("Continue?", platform::MsgAnswer::Yes);

    frmUnBackup window(fields, appFolder.path());
    testsupport::whenDateDialogOpens(&window, [finished, folders, picture](frmUnBackupSelectDate& dialog) {
        QListWidget* list = dialog.lstDate();
        // The run of the 5th, which holds the folders, wherever the list puts it.
        const QList<QListWidgetItem*> stored = list->findItems("14:06:11", Qt::MatchContains);
        list->setCurrentRow(stored.isEmpty() ? 0 : list->row(stored.front()));
        if (finished || folders)
            dialog.lstDate_DblClick();
        else if (picture)
            QTimer::singleShot(1000, &dialog, [&dialog, picture] {
                dialog.grab().save(QString::fromLocal8Bit(picture));
                QApplication::exit(0);
            });
    });
    if (folders)
        testsupport::whenFoldersDialogOpens(&window, [picture](frmUnBackupSelectFolders& dialog) {
            dialog.lstFolders()->setCurrentRow(1);
            dialog.lstFolders()->item(1)->setCheckState(Qt::Unchecked);
            if (picture)
                QTimer::singleShot(1000, &dialog, [&dialog, picture] {
                    dialog.grab().save(QString::fromLocal8Bit(picture));
                    QApplication::exit(0);
                });
        });
    if (running)
        saveRunWindowShots(window, argv[3], "restore");
    window.show();
    std::puts("shown");
    std::fflush(stdout);
    return app.exec();
}
