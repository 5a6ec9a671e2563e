#include "app/StartUp.h"
#include "app/frmMain.h"
#include "backup/frmBackup.h"
#include "platform/gui/QtMessageBox.h"
#include "restore/frmUnBackup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    initApplication();
    platform::gui::installQtMessageBoxes();

    frmMain window;
    window.setRunWindowFactories(
        [](const MainFields& fields, QWidget* parent) -> QDialog* { return new frmBackup(fields, parent); },
        [](const MainFields& fields, QWidget* parent) -> QDialog* { return new frmUnBackup(fields, parent); });
    window.show();
    return application.exec();
}
