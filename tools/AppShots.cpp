// Shows one of the windows as defined, with sample content, so that it can be
// looked at and photographed. Run by hand, not a test:
//   app_shots main|backup-running|restore-done|date [seconds]
//   app_shots main SECONDS SETTINGS PICTURE  - saves the main window into PICTURE, then ends
//   app_shots exclude SECONDS SETTINGS PICTURE  - the Exclude window with its totals, likewise
#include "app/frmMain.h"
#include "backup/windows/frmExclude.h"
#include "ui/FormBuilder.h"
#include "ui/ProgressWindow.h"
#include "ui/WindowDefinitions.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A progress window that writes a sample log and, if asked, ends its run.
class SampleRun : public ProgressWindow {
public:
    SampleRun(const WindowDefinition& definition, bool finish)
        : ProgressWindow(definition)
        , m_finish(finish)
    {
    }

protected:
    void Timer1_Timer() override
    {
        Timer1()->stop();
        AddLog("Starting Backup...");
        AddLog("Start:   Finding Folders...");
        AddLog("Find in: /home/user/Documents/");
        AddLog("End:     Finding Folders...");
        AddLog("Start:   Copy Folders and compress...");
        for (int i = 0; i < 12; ++i) {
            AddLog("Start:   Copy /home/user/Documents/Project " + std::to_string(i) + "/");
            AddLog("End:     Copy /home/user/Documents/Project " + std::to_string(i) + "/");
        }
        if (m_finish) {
            AddLog("End:     Copy Folders and compress...");
            finishRun();
        }
    }

private:
    bool m_finish;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const std::string which = argc > 1 ? argv[1] : "main";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);

    if (which == "main") {
        frmMain window(argc > 3 ? argv[3] : "");
        window.show();
        if (argc > 4) {
            const QString picture = QString::fromLocal8Bit(argv[4]);
            QTimer::singleShot(1500, &window, [&window, picture] {
                window.grab().save(picture);
                QApplication::quit();
            });
        }
        return application.exec();
    }
    if (which == "exclude") {
        frmMain window(argc > 3 ? argv[3] : "");
        frmExclude editor(window, window.exclusionPatterns(), "");
        editor.show();
        editor.cmdTotals_Click();
        if (argc > 4) {
            const QString picture = QString::fromLocal8Bit(argv[4]);
            QTimer::singleShot(1500, &editor, [&editor, picture] {
                editor.grab().save(picture);
                QApplication::quit();
            });
        }
        return application.exec();
    }
    if (which == "backup-running" || which == "restore-done") {
        bool backup = which == "backup-running";
        SampleRun window(backup ? frmBackupDefinition() : frmUnBackupDefinition(), !backup);
        window.show();
        return application.exec();
    }
    if (which == "date") {
        QDialog dialog;
        BuiltForm form = buildForm(dialog, frmUnBackupSelectDateDefinition());
        auto* dates = form.get<QListWidget>("lstDate");
        for (const char* date : { "2026-12-03 12:06:11", "2026-12-04 13:06:11", "2026-12-05 14:06:11" })
            dates->addItem(date);
        dialog.show();
        return application.exec();
    }
    std::fprintf(stderr, "usage: app_shots main|backup-running|restore-done|date [seconds]\n");
    return 2;
}
