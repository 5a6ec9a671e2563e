#include "app/SingleInstance.h"
#include "app/StartUp.h"
#include "app/frmMain.h"
#include "backup/windows/frmBackup.h"
#include "platform/gui/QtMessageBox.h"
#include "restore/windows/frmUnBackup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SingleInstance instance;
    if (!instance.first())
        return 0;
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
    instance.raiseOnRequest(&window);
    window.show();
    return application.exec();
}
