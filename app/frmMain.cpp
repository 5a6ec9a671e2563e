#include "app/frmMain.h"

#include "app/AboutText.h"
#include "app/LastBackup.h"
#include "app/MainSettings.h"
#include "app/PathWidgets.h"
#include "app/SourceList.h"
#include "app/StatusLine.h"
#include "pathutil/PathRoutines.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/TextConversion.h"
#include "platform/gui/FolderPicker.h"
#include "store/RunHost.h"
#include "store/StoreIdentity.h"
#include "ui/WindowDefinitions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <exception>

namespace {

const char* const kNotValid = "The Path you entered is not valid, please specify another...";
const char* const kDuplicate = "The Path is allready specified!";
const char* const kAnotherPath = "Another Path";

std::string BrowseForFolder(QWidget* owner)
{
    return platform::gui::pickFolder(owner);
}

} // namespace

frmMain::frmMain(const std::string& settingsPath, QWidget* parent)
    : QDialog(parent)
{
    m_form = buildForm(*this, frmMainDefinition());
    m_lstFrom = m_form.get<QListWidget>("lstFrom");
    m_txtFrom = m_form.get<QLineEdit>("txtFrom");
    m_txtTo = m_form.get<QLineEdit>("txtTo");
    m_txtUnBackupTo = m_form.get<QLineEdit>("txtUnBackupTo");
    m_cmdBackup = m_form.get<QPushButton>("cmdBackup");
    m_cmdUnBackup = m_form.get<QPushButton>("cmdUnBackup");
    m_timer = m_form.get<QTimer>("Timer1");

    addLinesBelowDefinedControls();
    addShowLogButton();
    addCheckButton();
    addPruneButton();
    addScheduleChoice();

    // The Change buttons lie over the right end of their text boxes: keep the
    // typed text clear of them.
    const std::pair<const char*, const char*> changeButtons[] = { { "txtFrom", "cmdFromChange" },
        { "txtTo", "cmdToChange" }, { "txtUnBackupTo", "cmdUnBackupToChange" } };
    for (auto [boxName, buttonName] : changeButtons) {
        const ControlDefinition& box = frmMainDefinition().control(boxName);
        int covered = twipsToPixels(box.left + box.width)
            - twipsToPixels(frmMainDefinition().control(buttonName).left);
        m_form.get<QLineEdit>(boxName)->setTextMargins(0, 0, covered, 0);
    }

    auto onClick = [this](const char* name, void (frmMain::*handler)()) {
        connect(m_form.get<QPushButton>(name), &QPushButton::clicked, this,
            [this, handler] { (this->*handler)(); });
    };
    onClick("cmdAddToFrom", &frmMain::cmdAddToFrom_Click);
    onClick("cmdRemoveFromFrom", &frmMain::cmdRemoveFromFrom_Click);
    onClick("cmdFromChange", &frmMain::cmdFromChange_Click);
    onClick("cmdToChange", &frmMain::cmdToChange_Click);
    onClick("cmdUnBackupToChange", &frmMain::cmdUnBackupToChange_Click);
    onClick("cmdBackup", &frmMain::cmdBackup_Click);
    onClick("cmdUnBackup", &frmMain::cmdUnBackup_Click);
    onClick("cmdAbout", &frmMain::cmdAbout_Click);
    // A click on an entry, or a selection moved with the keys.
    connect(m_lstFrom, &QListWidget::itemClicked, this, [this] { lstFrom_Click(); });
    connect(m_lstFrom, &QListWidget::itemSelectionChanged, this, [this] { lstFrom_Click(); });
    connect(m_timer, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    // Leaving a text box for another control of the window validates it.
    auto onLeave = [this](QLineEdit* box, void (frmMain::*validate)(bool&)) {
        m_leaveWatch.watch(box, [this, validate] {
            bool cancel = false;
            (this->*validate)(cancel);
        });
    };
    onLeave(m_txtFrom, &frmMain::txtFrom_Validate);
    onLeave(m_txtTo, &frmMain::txtTo_Validate);
    onLeave(m_txtUnBackupTo, &frmMain::txtUnBackupTo_Validate);

    Form_Load(settingsPath);
    addExcludeControls();
}

frmMain::~frmMain() = default;

void frmMain::setRunWindowFactories(RunWindowFactory backup, RunWindowFactory restore)
{
    m_backupWindow = std::move(backup);
    m_restoreWindow = std::move(restore);
}

std::string frmMain::backupTarget() const
{
    return fieldPath(m_txtTo);
}

std::vector<std::string> frmMain::sourceFolders() const
{
    return pathEntries(m_lstFrom);
}

std::string frmMain::restoreTarget() const
{
    return fieldPath(m_txtUnBackupTo);
}

bool frmMain::fullBackup() const
{
    return m_chkFullBackup->isChecked();
}

void frmMain::Form_Load(const std::string& settingsPath)
{
    m_settings
        = std::make_unique<platform::SettingsFile>(settingsPath.empty() ? mainSettingsPath() : settingsPath);
    MainSettings saved = loadMainSettings(*m_settings);
    setFieldPath(m_txtTo, saved.backupTarget);
    setFieldPath(m_txtUnBackupTo, saved.restoreTarget);
    m_chkFullBackup->setChecked(saved.fullBackup);
    m_jobs = saved.jobs;
    connect(m_chkFullBackup, &QCheckBox::toggled, this, [this] { SaveSettings(); });
    for (const std::string& source : saved.sources) {
        try {
            insertPathEntry(m_lstFrom, m_lstFrom->count(), source);
        } catch (const std::exception&) {
            // An entry that cannot be shown is skipped; the rest still are.
        }
    }
    showLastBackup();
    m_timer->start();
}

void frmMain::Form_Unload()
{
    SaveSettings();
}

void frmMain::SaveSettings()
{
    // The window stays the master copy whatever happens; a store that cannot
    // be written is told once, or the next start would lose the
    // configuration without a word.
    std::string failure;
    try {
        MainSettings current{ sourceFolders(), fieldPath(m_txtTo), fieldPath(m_txtUnBackupTo), fullBackup() };
        current.exclusions = exclusionPatterns();
        current.hiddenFolders = backUpHiddenFolders();
        failure = saveMainSettings(*m_settings, current);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (failure.empty() || m_saveFailureTold)
        return;
    m_saveFailureTold = true;
    platform::showMessage(ErrorBoxText("The settings could not be saved; the changes last until the program "
                                       "ends.\r\n"
                              + failure),
        "Error!", platform::kMsgCritical);
}

void frmMain::cmdAddToFrom_Click()
{
    AddOutcome outcome = AddOutcome::Added;
    std::string other;
    try {
        std::string text = fieldPath(m_txtFrom);
        outcome = checkNewSource(text, sourceFolders(), &other);
        if (outcome == AddOutcome::Added) {
            // The new entry moves the selection; the source field keeps
            // what the user typed rather than taking the selected entry.
            const QSignalBlocker quiet(m_lstFrom);
            insertPathEntry(m_lstFrom, 0, text);
        }
    } catch (const std::exception&) {
        if (outcome != AddOutcome::Duplicate)
            outcome = AddOutcome::NotValid;
    }
    if (outcome == AddOutcome::Duplicate)
        platform::showMessage(kDuplicate, kAnotherPath, platform::kMsgInformation);
    else if (outcome == AddOutcome::NotValid)
        platform::showMessage(kNotValid, kAnotherPath, platform::kMsgInformation);
    else if (outcome != AddOutcome::Added)
        platform::showMessage(overlapText(outcome, other), kAnotherPath, platform::kMsgInformation);
    SaveSettings();
}

void frmMain::cmdRemoveFromFrom_Click()
{
    try {
        // Afterwards nothing is selected; the selection must not move on to
        // the next entry and copy it into the source field.
        (void)removeSelectedPathEntry(m_lstFrom);
    } catch (const std::exception&) {
    }
    SaveSettings();
}

void frmMain::lstFrom_Click()
{
    try {
        if (std::optional<std::string> path = selectedPathEntry(m_lstFrom))
            setFieldPath(m_txtFrom, *path);
    } catch (const std::exception&) {
    }
}

bool frmMain::pickFolderInto(QLineEdit* field)
{
    try {
        std::string path = BrowseForFolder(this);
        if (!passesPathTest(path))
            return false;
        setFieldPath(field, AddBackslash(path));
        return true;
    } catch (const std::exception&) {
        platform::showMessage(kNotValid, kAnotherPath, platform::kMsgInformation);
    }
    return false;
}

void frmMain::cmdFromChange_Click()
{
    pickFolderInto(m_txtFrom);
}

void frmMain::cmdToChange_Click()
{
    if (!pickFolderInto(m_txtTo))
        return;
    // Chosen with Change, the folder is the user's store whatever it holds
    // now, even the empty folder where another disk's store used to be.
    try {
        (void)ForgetStore(fieldPath(m_txtTo), StoreStateFolder());
        showLastBackup();
    } catch (const std::exception&) {
    }
}

void frmMain::cmdUnBackupToChange_Click()
{
    pickFolderInto(m_txtUnBackupTo);
}

void frmMain::txtFrom_Validate(bool& cancel)
{
    // The source field itself is not stored; leaving it saves the rest.
    SaveSettings();
    cancel = false;
}

void frmMain::txtTo_Validate(bool& cancel)
{
    SaveSettings();
    showLastBackup();
    cancel = false;
}

void frmMain::txtUnBackupTo_Validate(bool& cancel)
{
    SaveSettings();
    cancel = false;
}

void frmMain::Timer1_Timer()
{
    followTargetTrouble();
    try {
        m_cmdBackup->setEnabled(
            backupAllowed(fieldPath(m_txtTo), static_cast<std::size_t>(m_lstFrom->count())));
    } catch (const std::exception&) {
        m_cmdBackup->setEnabled(false);
        return;
    }
    try {
        m_cmdUnBackup->setEnabled(restoreAllowed(fieldPath(m_txtTo), fieldPath(m_txtUnBackupTo)));
    } catch (const std::exception&) {
        m_cmdUnBackup->setEnabled(false);
    }
}

void frmMain::runModally(QPushButton* button, const RunWindowFactory& factory)
{
    // The fields may have changed since the last tick.
    Timer1_Timer();
    if (!button->isEnabled() || !factory)
        return;
    // A fresh window for every run, deleted when it has hidden itself.
    std::unique_ptr<QDialog> window(factory(*this, this));
    if (!window)
        return;
    window->exec();
    showLastBackup();
}

void frmMain::cmdBackup_Click()
{
    runModally(m_cmdBackup, m_backupWindow);
}

void frmMain::cmdUnBackup_Click()
{
    runModally(m_cmdUnBackup, m_restoreWindow);
}

void frmMain::cmdAbout_Click()
{
    platform::showMessage(aboutText(), "Quorvel", platform::kMsgInformation);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmMain::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Escape does not close the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    // The source list from the keyboard: Enter in the source field adds it,
    // Delete in the list removes the entry selected. Neither presses
    // another button of the window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focusWidget() == m_txtFrom) {
        event->accept();
        cmdAddToFrom_Click();
        return;
    }
    if (event->key() == Qt::Key_Delete && focusWidget() == m_lstFrom) {
        event->accept();
        cmdRemoveFromFrom_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}
