#include "bench/ProgramRuns.h"

#include "app/frmMain.h"
#include "backup/windows/frmBackup.h"
#include "bench/BenchSystem.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "restore/windows/frmUnBackup.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowDriving.h"
#include "ui/ProgressWindow.h"
#include "ui/WindowDefinitions.h"

#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace bench {
namespace {

// Answers the restore's confirmation with Yes and counts every other box:
// a run being measured must show none.
class AnsweredBoxes : public testsupport::ScriptedMessageBoxes {
public:
    AnsweredBoxes() { answerAlways("Continue?", platform::MsgAnswer::Yes); }
    int unexpected() const { return static_cast<int>(shownExcept("Continue?").size()); }
    // The first unexpected box, on one line.
    std::string first() const
    {
        const std::vector<testsupport::ShownBox> others = shownExcept("Continue?");
        std::string line = others.empty() ? "" : others.front().title + ": " + others.front().text;
        for (char& c : line) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
        return line;
    }
};

std::map<std::string, std::string> options(int argc, char** argv)
{
    std::map<std::string, std::string> found;
    for (int i = 1; i + 1 < argc; i += 2)
        found[argv[i]] = argv[i + 1];
    return found;
}

void printResult(const std::string& pairs)
{
    std::printf("RESULT %s peak_kb=%ld\n", pairs.c_str(), peakMemoryKb());
    std::fflush(stdout);
}

// The main window, shown and painted, as it is in the program whenever a
// run starts: the run windows are its children, and what its first showing
// set up (the font system, the style) is not part of a run's time. Its
// settings file is the benchmark's own, in the program folder, and it is
// never written: the window is not closed.
class MainWindowUp {
public:
    explicit MainWindowUp(const std::string& appFolder)
        : window(AddBackslash(appFolder) + "bench-settings.ini")
    {
        window.show();
        (void)window.grab();
        QCoreApplication::processEvents();
    }
    frmMain window;
};

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (std::getenv("QUORVEL_BENCH_PAINTS"))
                std::fprintf(stderr, "paint %s %s\n", watched->metaObject()->className(),
                    watched->objectName().toUtf8().constData());
        }
        return QObject::eventFilter(watched, event);
    }
};

// Shows the progress window modally, as the main window does, and returns
// the seconds from its creation until its run has finished. "Done" then
// closes it.
template <typename Window> double runWindowToEnd(Window& window, double created)
{
    double finished = 0;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (window.runFinished()) {
            finished = nowSeconds();
            watch.stop();
            window.cmdDone_Click();
        }
    });
    watch.start();
    window.exec();
    return finished - created;
}

int backupChild(const std::map<std::string, std::string>& opts)
{
    const std::string appFolder = opts.at("--app");
    testsupport::FakeFields fields;
    fields.to = opts.at("--target");
    fields.from = { AddBackslash(opts.at("--source")) };
    fields.jobCount = opts.count("--jobs") ? std::atoi(opts.at("--jobs").c_str()) : 1;
    AnsweredBoxes boxes;
    MainWindowUp main(appFolder);
    PaintCounter paints;
    qApp->installEventFilter(&paints);
    const double start = nowSeconds();
    const double cpuStart = processCpuSeconds();
    frmBackup window(fields, appFolder, &main.window);
    const double seconds = runWindowToEnd(window, start);
    const double cpu = processCpuSeconds() - cpuStart;
    std::ostringstream pairs;
    pairs << "seconds=" << seconds << " cpu=" << cpu << " folders=" << window.backupRun().FolderList.size()
          << " boxes=" << boxes.unexpected() << " paints=" << paints.paints;
    printResult(pairs.str());
    if (boxes.unexpected())
        std::fprintf(stderr, "backup showed a message box: %s\n", boxes.first().c_str());
    return boxes.unexpected() == 0 ? 0 : 1;
}

int restoreChild(const std::map<std::string, std::string>& opts)
{
    const std::string appFolder = opts.at("--app");
    testsupport::FakeFields fields;
    fields.to = opts.at("--target");
    fields.unBackupTo = opts.at("--restore");
    fields.jobCount = opts.count("--jobs") ? std::atoi(opts.at("--jobs").c_str()) : 1;
    AnsweredBoxes boxes;
    MainWindowUp main(appFolder);
    const double start = nowSeconds();
    const double cpuStart = processCpuSeconds();
    frmUnBackup window(fields, appFolder, &main.window);
    bool chosen = false;
    double dialogSeen = 0;
    // The date dialog: the one backup there is, double-clicked and confirmed.
    testsupport::whenDateDialogOpens(
        &window,
        [&](frmUnBackupSelectDate& dialog) {
            chosen = true;
            dialogSeen = nowSeconds() - start;
            dialog.lstDate()->setCurrentRow(0);
            dialog.lstDate_DblClick();
        },
        1);
    const double seconds = runWindowToEnd(window, start);
    const double cpu = processCpuSeconds() - cpuStart;
    std::ostringstream pairs;
    pairs << "seconds=" << seconds << " cpu=" << cpu << " archives=" << window.restoreRun().ArchiveList.size()
          << " boxes=" << boxes.unexpected() << " dialog_after=" << dialogSeen;
    printResult(pairs.str());
    if (boxes.unexpected())
        std::fprintf(stderr, "restore showed a message box: %s\n", boxes.first().c_str());
    return boxes.unexpected() == 0 && chosen ? 0 : 1;
}

// A progress window whose timer does nothing: the log alone is measured.
class LogOnlyWindow : public ProgressWindow {
public:
    LogOnlyWindow()
        : ProgressWindow(frmBackupDefinition())
    {
    }

protected:
    void Timer1_Timer() override { Timer1()->stop(); }
};

int addLogChild(const std::map<std::string, std::string>& opts)
{
    const int lines = std::atoi(opts.at("--lines").c_str());
    const int pumpEvery = std::max(1, std::atoi(opts.at("--pump-every").c_str()));
    LogOnlyWindow window;
    PaintCounter counter;
    window.lstBackup()->viewport()->installEventFilter(&counter);
    window.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    const int paintsBefore = counter.paints;

    // Lines as a backup run writes them, two for every folder.
    const std::string folder = "/home/user/Documents/Projects/Client files/Folder ";
    std::string last;
    const double start = nowSeconds();
    for (int i = 0; i < lines; ++i) {
        last = (i % 2 ? "End:     Copy " : "Start:   Copy ") + folder + std::to_string(i / 2) + "/";
        window.AddLog(last);
        if ((i + 1) % pumpEvery == 0)
            QApplication::processEvents();
    }
    const int paintsDuring = counter.paints - paintsBefore;
    window.finishRun();
    QApplication::processEvents();
    const double seconds = nowSeconds() - start;

    const QModelIndex top = window.lstBackup()->model()->index(0, 0);
    const bool newestOnTop = window.lstBackup()->model()->rowCount() == lines
        && top.data().toString().toStdString() == last
        && window.lstBackup()->indexAt(QPoint(2, 2)).row() == 0;
    std::ostringstream pairs;
    pairs << "seconds=" << seconds << " paints=" << paintsDuring
          << " newest_on_top=" << (newestOnTop ? 1 : 0);
    printResult(pairs.str());
    return newestOnTop && paintsDuring > 0 ? 0 : 1;
}

int discoverChild(const std::map<std::string, std::string>& opts)
{
    testsupport::FakeFields fields;
    fields.from = { AddBackslash(opts.at("--source")) };
    AnsweredBoxes boxes;
    frmBackup window(fields, "");
    const double start = nowSeconds();
    window.backupRun().FindFolders();
    const double seconds = nowSeconds() - start;
    std::ostringstream pairs;
    pairs << "seconds=" << seconds << " folders=" << window.backupRun().FolderList.size();
    printResult(pairs.str());
    return boxes.unexpected() == 0 ? 0 : 1;
}

} // namespace

int runChild(int argc, char** argv)
{
    // argv: program --child MODE --key value ...
    if (argc < 3)
        return 2;
    const std::string mode = argv[2];
    const std::map<std::string, std::string> opts = options(argc - 2, argv + 2);
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    platform::initLocale();
    try {
        if (mode == "backup")
            return backupChild(opts);
        if (mode == "restore")
            return restoreChild(opts);
        if (mode == "addlog")
            return addLogChild(opts);
        if (mode == "discover")
            return discoverChild(opts);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", mode.c_str(), error.what());
        return 1;
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}

std::map<std::string, std::string> parseResult(const std::string& output)
{
    std::map<std::string, std::string> pairs;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("RESULT ", 0) != 0)
            continue;
        std::istringstream words(line.substr(7));
        std::string word;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq != std::string::npos)
                pairs[word.substr(0, eq)] = word.substr(eq + 1);
        }
    }
    return pairs;
}

} // namespace bench
