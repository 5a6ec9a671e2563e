#include "tests/support/WindowDriving.h"

#include "backup/windows/frmBackup.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "restore/windows/frmUnBackupSelectFolders.h"
#include "store/StoreLayout.h"
#include "ui/ProgressWindow.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {

void whenArchiveBegins(frmBackup& window, const std::string& folder, std::function<void()> action)
{
    auto* watch = new QTimer(&window);
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, &window, [&window, watch, folder, action = std::move(action)] {
        const std::string& runFolder = window.backupRun().RunFolder;
        if (runFolder.empty() || !platform::fileExists(runFolder + "/" + ArchiveName(folder)))
            return;
        watch->stop();
        watch->deleteLater();
        action();
    });
    watch->start();
}

namespace {

constexpr char kFoldersScripted[] = "quorvelFoldersDialogScripted";

// Runs `action` on the first visible child dialog of type T over `owner`;
// gives up after ten seconds, failing the test when `mustOpen`, else
// quietly, or as soon as `owner`'s run has finished.
template <typename T>
void whenDialogOpens(
    QWidget* owner, std::function<void(T&)> action, int pollMs, bool mustOpen, const char* what)
{
    auto* poll = new QTimer(owner);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, owner, [poll, owner, clock, action, mustOpen, what] {
        auto* dialog = owner->findChild<T*>();
        auto* window = qobject_cast<ProgressWindow*>(owner);
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(*dialog);
        } else if (clock->elapsed() > 10000 || (!mustOpen && window && window->runFinished())) {
            poll->stop();
            poll->deleteLater();
            if (mustOpen)
                ADD_FAILURE() << what << " did not open";
        }
    });
    poll->start(pollMs);
}

} // namespace

void whenDateDialogOpens(QWidget* owner, std::function<void(frmUnBackupSelectDate&)> action, int pollMs)
{
    auto withFolders = [owner, action, pollMs](frmUnBackupSelectDate& dialog) {
        action(dialog);
        if (dialog.Tag.empty() || owner->property(kFoldersScripted).toBool())
            return;
        whenDialogOpens<frmUnBackupSelectFolders>(
            owner, [](frmUnBackupSelectFolders& folders) { folders.cmdRestore()->click(); }, pollMs, false,
            "the folder dialog");
    };
    whenDialogOpens<frmUnBackupSelectDate>(owner, withFolders, pollMs, true, "the date dialog");
}

void whenFoldersDialogOpens(QWidget* owner, std::function<void(frmUnBackupSelectFolders&)> action, int pollMs)
{
    owner->setProperty(kFoldersScripted, true);
    whenDialogOpens<frmUnBackupSelectFolders>(owner, std::move(action), pollMs, true, "the folder dialog");
}

bool runToEnd(QWidget& window, int timeoutMs)
{
    auto* progress = qobject_cast<ProgressWindow*>(&window);
    if (!progress)
        return false;
    progress->show();
    QElapsedTimer clock;
    clock.start();
    while (!progress->runFinished() && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return progress->runFinished();
}

bool waitForPath(const std::string& path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    std::error_code ec;
    while (!fs::exists(fs::symlink_status(path, ec))) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

RestoreFixture::RestoreFixture()
{
    fields.to = dir / "backups";
    fields.unBackupTo = dir / "restored";
    makeDirs(fields.to);
    makeDirs(fields.unBackupTo);
    date = dateText(2026, 12, 5, 21, 6, 11);
    runFolder = AddBackslash(fields.to) + EncodePath(date) + "/";
}

std::vector<std::string> RestoreFixture::restore(
    const std::string& chosen, std::vector<platform::MsgAnswer> later)
{
    if (!chosen.empty())
        boxes.queueAnswer(platform::MsgAnswer::Yes);
    for (platform::MsgAnswer answer : later)
        boxes.queueAnswer(answer);
    window = std::make_unique<frmUnBackup>(fields, appFolder);
    whenDateDialogOpens(window.get(), [chosen](frmUnBackupSelectDate& dialog) {
        QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
        if (chosen.empty()) {
            dialog.cmdCancel_Click();
            return;
        }
        for (int row = 0; row < list->count(); ++row) {
            // The entry shows the run's outcome below its date.
            const std::string shown = list->item(row)->text().toStdString();
            if (shown == chosen || shown.starts_with(chosen + "\n")) {
                list->setCurrentRow(row);
                dialog.lstDate_DblClick();
                return;
            }
        }
        ADD_FAILURE() << "no date " << chosen << " in the dialog";
        dialog.cmdCancel_Click();
    });
    EXPECT_TRUE(runToEnd(*window));
    std::vector<std::string> log = window->logLines();
    std::reverse(log.begin(), log.end());
    return log;
}

std::vector<ShownBox> RestoreFixture::shownAfterQuestion() const
{
    return boxes.shownExcept("Continue?");
}

std::vector<std::string> BackupRestoreFixture::backUp(const std::vector<std::string>& sources)
{
    fields.from = sources;
    frmBackup window(fields, app.path());
    EXPECT_TRUE(runToEnd(window, 240000)) << "the backup did not end";
    EXPECT_TRUE(window.cmdDone()->isVisible());
    QTest::mouseClick(window.cmdDone(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    std::vector<std::string> log = window.logLines();
    std::reverse(log.begin(), log.end());
    return log;
}

std::vector<std::string> BackupRestoreFixture::runFolders() const
{
    std::vector<std::string> names;
    for (const std::string& name : runNames(fields.to))
        names.push_back((fs::path(fields.to) / name).string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testsupport
