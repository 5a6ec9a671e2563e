// Opens the backup window over a generated tree of a few hundred folders, so
// that the window can be looked at while a long run goes on and when it is
// over. Run by hand, not a test:
//   backup_shots [folders] [seconds to stay open after the run]
//   backup_shots FOLDERS 0 PICTURES   - saves pictures during and after the run
// With 0 folders the one source holds a single file of 150 MB instead, and
// the run keeps one job: the bar moves inside that folder.
#include "backup/windows/frmBackup.h"
#include "tools/RunWindowShots.h"

#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "");
    const int folders = argc > 1 ? std::atoi(argv[1]) : 300;
    const int linger = argc > 2 ? std::atoi(argv[2]) : 30;

    testsupport::ScopedAppFolder appFolder;
    testsupport::TempDir sources;
    testsupport::TempDir target;
    testsupport::FakeFields fields;
    fields.to = target.path();
    // Two sources, each with a tenth of the folders as subfolders holding
    // the rest, and a few small files everywhere.
    if (folders == 0) {
        const std::string root = sources / "Videos";
        testsupport::makeDirs(root);
        testsupport::writeRandomFile(root + "/holiday.mp4", 150);
        fields.from.push_back(root);
        fields.jobCount = 1;
    }
    for (int source = 0; source < 2 && folders > 0; ++source) {
        const std::string root = sources / ("Documents " + std::to_string(source + 1));
        fields.from.push_back(root);
        for (int i = 0; i < folders / 2; ++i) {
            const std::string folder = root + "/Project " + std::to_string(i / 10)
                + (i % 10 ? "/part " + std::to_string(i % 10) : "");
            testsupport::makeDirs(folder);
            for (int f = 0; f < 3; ++f)
                testsupport::writeText(
                    folder + "/note " + std::to_string(f) + ".txt", std::string(2000, 'x'));
        }
    }

    frmBackup window(fields, appFolder.path());
    if (argc > 3) {
        saveRunWindowShots(window, argv[3], "backup");
        window.show();
        return QApplication::exec();
    }
    QTimer closer;
    closer.setInterval(200);
    QObject::connect(&closer, &QTimer::timeout, &window, [&] {
        if (window.runFinished()) {
            closer.stop();
            std::printf("run finished: %zu folders\n", window.backupRun().FolderList.size());
            std::fflush(stdout);
            QTimer::singleShot(linger * 1000, &window, [&window] { window.cmdDone_Click(); });
        }
    });
    closer.start();
    window.exec();
    return 0;
}
