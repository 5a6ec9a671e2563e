#pragma once

#include "store/RunHost.h"
#include "ui/FormBuilder.h"
#include "ui/TimeLeft.h"
#include "ui/WindowDefinitions.h"

#include <QDialog>

#include <string>
#include <vector>

class LogModel;
class Run;
class QLabel;
class QListView;
class QProgressBar;
class QPushButton;
class QTimer;

// The common part of the backup and restore progress windows: the log list
// `lstBackup` (newest line on top), the status label `lblBackuping`, the
// "Done" button `cmdDone` lying over that label, and `Timer1`, which starts
// when the window is first shown and whose first tick does the whole run in
// the subclass's Timer1_Timer (which switches the timer off first).
//
// A run must not be cut short by hiding the window, since that ends its modal
// display: during the run a close request (the close button, Alt+F4, the
// window manager, Escape) asks whether to stop the run, and the window stays
// until the run has ended. After the run, "Done", Enter and Escape hide the
// window.
//
// The window is the host of the run it shows: the run's log lines go into
// its log, its message boxes are shown over it.
class ProgressWindow : public QDialog, public RunHost {
    Q_OBJECT
public:
    explicit ProgressWindow(const WindowDefinition& definition, QWidget* parent = nullptr);
    ~ProgressWindow() override;

    QListView* lstBackup() const { return m_lstBackup; }
    QPushButton* cmdDone() const { return m_cmdDone; }
    QLabel* lblBackuping() const { return m_lblBackuping; }
    QTimer* Timer1() const { return m_timer; }

    // Puts a line at the top of the log. Nothing is selected, scrolled or
    // repainted here; the line shows when the window next repaints (lines
    // reach the list in batches, a tenth of a second apart at most).
    void AddLog(const std::string& text);
    // RunHost: log lines and message boxes of the run shown.
    void log(const std::string& line) override { AddLog(line); }
    platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override;
    // Shows the folders done of the total, the time taken and an estimate
    // of the time left (from the folders and bytes done), in the strip below
    // the defined controls. The time goes on showing between reports.
    void progress(const RunProgress& progress) override;
    // The bar's steps from empty to full.
    static constexpr int kBarSteps = 1000;

    QLabel* lblProgress() const { return m_lblProgress; }
    QProgressBar* barProgress() const { return m_barProgress; }
    QLabel* lblTime() const { return m_lblTime; }

    // The log as shown, newest line first.
    std::vector<std::string> logLines() const;

    // The closing steps of a run: the log becomes usable and "Done" shows.
    void finishRun();
    bool runFinished() const { return m_finished; }

    // Hides the window, which ends its modal display.
    void cmdDone_Click();

    void reject() override;

    // The run the window shows, which a close request may stop.
    void setShownRun(Run& run) { m_run = &run; }
    // Stops the run shown without asking; false when none is going.
    bool stopRun();
    // Stops the run of every progress window without asking (a signal, the
    // desktop session's end) and quits the program once none is going.
    static void stopEveryRunAndQuit();

    // The question a close request during a run asks.
    static const char* const kStopQuestion;
    static const char* const kStopTitle;

protected:
    // The run; called by the first tick of Timer1.
    virtual void Timer1_Timer() = 0;

    const BuiltForm& form() const { return m_form; }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LogModel* m_log = nullptr;
    BuiltForm m_form;
    QListView* m_lstBackup = nullptr;
    QPushButton* m_cmdDone = nullptr;
    QLabel* m_lblBackuping = nullptr;
    QTimer* m_timer = nullptr;
    bool m_timerStarted = false;
    bool m_finished = false;
    Run* m_run = nullptr;
    QLabel* m_lblProgress = nullptr;
    QProgressBar* m_barProgress = nullptr;
    QLabel* m_lblTime = nullptr;
    qint64 m_startedMs = -1; // when the run began, on the monotonic clock
    TimeLeft m_timeLeft;
    QTimer* m_clock = nullptr; // shows the time going while a folder takes long

    void addProgressStrip();
    void showTime();
    bool m_quitWhenFinished = false;

    void askToStop();
};
