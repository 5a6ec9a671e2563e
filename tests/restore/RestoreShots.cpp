// Shows the restore windows on a real display for screenshots, not a test.
//   restore_shots dialog   - the date dialog over the restore window, left open
//   restore_shots finished - a finished restore of a small generated store
// The program stays up until it is ended.
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "restore/windows/frmUnBackup.h"
#include "store/MainFields.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class Fields : public MainFields {
public:
    std::string to;
    std::string unBackupTo;
    std::string backupTarget() const override { return to; }
    std::vector<std::string> sourceFolders() const override { return {}; }
    std::string restoreTarget() const override { return unBackupTo; }
};

std::string dateOn(int day, int hour)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = 6;
    t.tm_sec = 11;
    return platform::formatDateText(t);
}

// One folder stored as a backup stores it, with the real archiver.
void store(const std::string& runFolder, const std::string& folder, int files)
{
    testsupport::makeDirs(folder);
    for (int i = 0; i < files; ++i)
        testsupport::writeText(folder + "/file " + std::to_string(i) + ".txt", "content " + std::to_string(i));
    const std::string archive = EncodePath(folder + "/") + ".7z";
    const std::string command = "cd '" + folder + "' && '" + testsupport::archiverPath() + "' a -t7z '" + archive +
                                "' '-i!*' '-x!*/' >/dev/null && mv '" + archive + "' '" + runFolder + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "cannot store %s\n", folder.c_str());
    testsupport::writeText(runFolder + archive + ".dat", std::to_string(files));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::initLocale();
    const bool finished = argc > 1 && std::string(argv[1]) == "finished";

    testsupport::TempDir dir;
    testsupport::ScopedAppFolder appFolder;
    Fields fields;
    fields.to = dir / "backups";
    fields.unBackupTo = dir / "restored";
    testsupport::makeDirs(fields.unBackupTo);
    for (int day : {3, 4, 5}) {
        const std::string run = AddBackslash(fields.to) + EncodePath(dateOn(day, 9 + day)) + "/";
        testsupport::makeDirs(run);
        if (day == 5) {
            store(run, dir / "home/ann/Documents", 3);
            store(run, dir / "home/ann/Documents/Letters 2026", 2);
            store(run, dir / "home/ann/Pictures", 4);
        }
    }
    const std::string chosen = dateOn(5, 14);

    // The boxes are answered here, so that the shot shows the windows alone.
    platform::setMessageBoxHandler([](const std::string&, const std::string& title, int) {
        return title == "Continue?" ? platform::MsgAnswer::Yes : platform::MsgAnswer::No;
    });

    frmUnBackup window(fields, appFolder.path());
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&] {
        auto* dialog = window.findChild<frmUnBackupSelectDate*>();
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        QListWidget* list = dialog->lstDate();
        list->setCurrentRow(list->count() - 1);
        if (finished)
            dialog->lstDate_DblClick();
    });
    poll->start(20);
    window.show();
    std::puts("shown");
    std::fflush(stdout);
    return app.exec();
}
