#include "app/StartUp.h"
#include "app/frmMain.h"
#include "backup/windows/frmBackup.h"
#include "platform/gui/QtMessageBox.h"
#include "restore/windows/frmUnBackup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const std::string appFolder = initApplication();
    platform::gui::installQtMessageBoxes();

    frmMain window;
    window.setRunWindowFactories(
        [appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
            return new frmBackup(fields, appFolder, parent);
        },
        [appFolder](const MainFields& fields, QWidget* parent) -> QDialog* {
            return new frmUnBackup(fields, appFolder, parent);
        });
    window.show();
    return application.exec();
}
