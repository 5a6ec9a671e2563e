#include "app/CheckSettings.h"
#include "app/EndRequests.h"
#include "app/PruneSettings.h"
#include "app/SingleInstance.h"
#include "app/StartUp.h"
#include "app/cli/CommandLine.h"
#include "app/frmMain.h"
#include "backup/windows/frmBackup.h"
#include "check/windows/frmCheck.h"
#include "platform/gui/QtMessageBox.h"
#include "prune/windows/frmPrune.h"
#include "restore/windows/frmUnBackup.h"
#include "store/StoreIdentity.h"

#include <QApplication>
#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    // A run from the command line needs no display and opens no window.
    if (isConsoleCommand(argc, argv)) {
        const QCoreApplication application(argc, argv);
        const std::string appFolder = initApplication();
        return runConsoleCommand({ argv + 1, argv + argc }, appFolder, std::cout, std::cerr);
    }

    QApplication application(argc, argv);
    SingleInstance instance;
    if (!instance.first())
        return 0;
    const std::string appFolder = initApplication();
    platform::gui::installQtMessageBoxes();
    // A signal to end, or the end of the desktop session, stops a run as the
    // user's stop does, without asking, and the program ends after it.
    const EndRequests endRequests(application);

    frmMain window;
    window.setRunWindowFactories(
        [appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
            return new frmBackup(fields, appFolder, parent);
        },
        [appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
            return new frmUnBackup(fields, appFolder, parent);
        });
    window.setCheckWindowFactory([appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
        return new frmCheck(fields, appFolder, { .checkDays = savedCheckDays() }, parent);
    });
    window.setPruneWindowFactory([appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
        return new frmPrune(
            fields.backupTarget(), appFolder, savedKeepRules(), [] { notePreviewSeen(StoreStateFolder()); },
            parent);
    });
    instance.raiseOnRequest(&window);
    window.show();
    return application.exec();
}
