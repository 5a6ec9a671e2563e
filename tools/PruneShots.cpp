// Shows the clean-up window over a sample store of runs made over two years,
// so that it can be looked at and photographed. Run by hand, not a test:
//   prune_shots [PICTURE]   - with PICTURE, saves the window there and ends
#include "platform/Clock.h"
#include "prune/windows/frmPrune.h"
#include "tests/support/FakeFields.h"
#include "tests/support/QuietBackup.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <string>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    using namespace testsupport;
    TempDir dir;
    ScopedAppFolder app;
    TestClock clock;
    ScriptedMessageBoxes boxes;
    FakeFields fields;
    fields.to = dir / "Backups";
    makeDirs(fields.to);
    makeDirs(dir / "Documents");
    fields.from = { dir / "Documents/" };
    // A run on the 1st and the 15th of each month, then the days before today.
    for (int month = 0; month < 26; month += 3)
        for (int day : { 1, 15 }) {
            writeText(dir / "Documents/letter.txt",
                "letter of " + std::to_string(month) + "/" + std::to_string(day));
            clock.setLocal(2024 + (month + 9) / 12, (month + 9) % 12 + 1, day, 21, 0, 0);
            backUpWithoutWindow(fields, app.path());
        }
    for (int day = 1; day <= 9; ++day) {
        clock.setLocal(2026, 12, day, 21, 0, 0);
        backUpWithoutWindow(fields, app.path());
    }
    clock.setLocal(2026, 12, 9, 22, 0, 0);
    frmPrune window(fields.to, app.path(), KeepRules{});
    window.show();
    if (argc > 1) {
        const QString picture = QString::fromLocal8Bit(argv[1]);
        QTimer::singleShot(800, &window, [&window, picture] {
            window.grab().save(picture);
            QApplication::quit();
        });
    }
    return application.exec();
}
