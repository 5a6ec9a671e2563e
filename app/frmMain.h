#pragma once

#include "app/LeaveWatch.h"
#include "store/MainFields.h"
#include "ui/FormBuilder.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

namespace platform {
class SettingsFile;
}
class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class DailySchedule;
class StatusLine;

// The start-up window: the source folder list, the backup and restore
// targets, and the commands that start a backup or a restore. The window's
// controls are the configuration; SaveSettings writes them to the settings
// store after every change of the list, whenever a text box loses the focus
// and when the window closes.
class frmMain : public QDialog, public MainFields {
    Q_OBJECT
public:
    // Makes a run window reading its input from the main window; the main
    // window shows it modally and deletes it afterwards.
    using RunWindowFactory = std::function<QDialog*(const MainFields& fields, QWidget* parent)>;

    // Loads the window; settingsPath empty means the user's own store.
    explicit frmMain(const std::string& settingsPath = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    void setRunWindowFactories(RunWindowFactory backup, RunWindowFactory restore);
    // The window of the "Check backups" button beside the full-backup choice.
    void setCheckWindowFactory(RunWindowFactory check);
    // The window of the "Clean up old backups…" button on the line of tools.
    void setPruneWindowFactory(RunWindowFactory prune);

    std::string backupTarget() const override;
    std::vector<std::string> sourceFolders() const override;
    std::string restoreTarget() const override;
    bool fullBackup() const override;
    std::vector<std::string> exclusionPatterns() const override;
    bool backUpHiddenFolders() const override;
    int jobs() const override { return m_jobs; }

    // Recomputes which run buttons are enabled; ticks every second.
    void Timer1_Timer();
    // Says again on the status line how the last backup went, with the log
    // it kept: after a run, and when a backup may have run elsewhere.
    void showLastBackup();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addLinesBelowDefinedControls();
    void followTargetTrouble();
    static std::string newestLogSeen();
    void addCheckButton();
    void addPruneButton();
    void addShowLogButton();
    void addScheduleChoice();
    void showSchedule();
    void addExcludeControls();
    void cmdExclude_Click();
    // A check box on the line of lasting choices, a button on the line of
    // tools; each goes right of those added before it.
    void addToChoicesLine(QWidget* choice);
    void addToToolsLine(QWidget* tool);
    void Form_Load(const std::string& settingsPath);
    void Form_Unload();
    void SaveSettings();

    void cmdAddToFrom_Click();
    void cmdRemoveFromFrom_Click();
    void lstFrom_Click();
    void cmdFromChange_Click();
    void cmdToChange_Click();
    void cmdUnBackupToChange_Click();
    void txtFrom_Validate(bool& cancel);
    void txtTo_Validate(bool& cancel);
    void txtUnBackupTo_Validate(bool& cancel);
    void cmdBackup_Click();
    void cmdUnBackup_Click();
    void cmdAbout_Click();

    bool pickFolderInto(QLineEdit* field);
    void runModally(QPushButton* button, const RunWindowFactory& factory);

    BuiltForm m_form;
    QListWidget* m_lstFrom = nullptr;
    QLineEdit* m_txtFrom = nullptr;
    QLineEdit* m_txtTo = nullptr;
    QLineEdit* m_txtUnBackupTo = nullptr;
    QPushButton* m_cmdBackup = nullptr;
    QPushButton* m_cmdUnBackup = nullptr;
    QTimer* m_timer = nullptr;
    StatusLine* m_statusLine = nullptr; // below the defined controls
    std::string m_shownTarget; // the backup target the status line speaks of
    std::string m_targetTrouble; // what it says keeps a backup from that target
    QCheckBox* m_chkFullBackup = nullptr; // below it
    int m_jobs = 0; // [Options] Jobs as loaded: archiver jobs at once, 0 the run's choice
    QPushButton* m_cmdCheck = nullptr; // at the right end of its line
    QPushButton* m_cmdShowLog = nullptr; // left of it: opens the last backup's kept log
    std::string m_shownLog; // that log's path, empty when none is kept
    std::string m_newestLog; // the newest kept log and its size when the line was last made
    std::string m_lastSeenLog; // the same at the last tick
    RunWindowFactory m_checkWindow;
    QHBoxLayout* m_choicesLine = nullptr; // below the full-backup choice
    QHBoxLayout* m_toolsLine = nullptr; // below that
    RunWindowFactory m_pruneWindow;
    QCheckBox* m_chkDaily = nullptr; // on the choices line: switches the daily timer
    DailySchedule* m_schedule = nullptr;
    QCheckBox* m_chkHiddenFolders = nullptr; // on the line of lasting choices
    std::vector<std::string> m_exclusions; // as saved, or as the Exclude window left them

    std::unique_ptr<platform::SettingsFile> m_settings;
    RunWindowFactory m_backupWindow;
    RunWindowFactory m_restoreWindow;
    bool m_saveFailureTold = false; // a store that cannot be written is told once a session
    // A member, so the watch ends before the dialog takes its boxes apart:
    // a box losing the focus then is no Validate.
    LeaveWatch m_leaveWatch;
};
