#include "tests/restore/RestoreTestSupport.h"

#include "app/ProgressWindow.h"
#include "pathutil/Module1.h"
#include "platform/Clock.h"
#include "platform/Launcher.h"
#include "restore/frmUnBackupSelectDate.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace restoretest {
namespace {

bool hidden(const fs::path& p)
{
    return p.filename().string().starts_with('.');
}

} // namespace

std::string makeRunFolder(const std::string& backupTarget, const std::string& dateText)
{
    const std::string run = AddBackslash(backupTarget) + EncodePath(dateText);
    fs::create_directories(run);
    return AddBackslash(run);
}

bool runArchiver(const std::string& folder, const std::vector<std::string>& arguments)
{
    std::string command = "cd " + platform::shellQuoteIfNeeded(folder) + " && " +
                          platform::shellQuoteIfNeeded(testsupport::archiverPath());
    for (const std::string& argument : arguments)
        command += " " + platform::shellQuoteIfNeeded(argument);
    command += " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void storeFolder(const std::string& runFolder, const std::string& folder)
{
    const std::string normal = AddBackslash(folder);
    const std::string archive = EncodePath(normal) + ".7z";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(normal)) {
        if (!hidden(entry.path()) && !fs::is_directory(entry.symlink_status()))
            ++count;
    }
    ASSERT_TRUE(runArchiver(normal, {"a", "-t7z", archive, "-i!*", "-x!*/"})) << normal;
    fs::rename(normal + archive, AddBackslash(runFolder) + archive);
    testsupport::writeText(AddBackslash(runFolder) + archive + ".dat", std::to_string(count));
}

void storeTree(const std::string& runFolder, const std::string& folder)
{
    storeFolder(runFolder, folder);
    std::vector<fs::path> subfolders;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!hidden(entry.path()) && fs::is_directory(entry.symlink_status()))
            subfolders.push_back(entry.path());
    }
    for (const fs::path& sub : subfolders)
        storeTree(runFolder, sub.string());
}

std::map<std::string, std::string> filesOfTree(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (fs::is_directory(entry.symlink_status())) {
            if (!hidden(entry.path())) {
                auto below = filesOfTree(entry.path().string());
                files.insert(below.begin(), below.end());
            }
        } else {
            files[entry.path().string()] = testsupport::readText(entry.path().string());
        }
    }
    return files;
}

std::map<std::string, std::string> allFilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!fs::is_directory(entry.symlink_status()))
            files[fs::relative(entry.path(), folder).string()] =
                fs::is_symlink(entry.symlink_status()) ? "link to " + fs::read_symlink(entry.path()).string()
                                                       : testsupport::readText(entry.path().string());
    }
    return files;
}

void whenDateDialogOpens(QWidget* owner, std::function<void(frmUnBackupSelectDate&)> action)
{
    auto* poll = new QTimer(owner);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, owner, [poll, owner, clock, action] {
        auto* dialog = owner->findChild<frmUnBackupSelectDate*>();
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(*dialog);
        } else if (clock->elapsed() > 10000) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "the date dialog did not open";
        }
    });
    poll->start(10);
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

RestoreFixture::RestoreFixture()
{
    fields.to = dir / "backups";
    fields.unBackupTo = dir / "restored";
    testsupport::makeDirs(fields.to);
    testsupport::makeDirs(fields.unBackupTo);
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 5;
    when.tm_hour = 21;
    when.tm_min = 6;
    when.tm_sec = 11;
    date = platform::formatDateText(when);
    runFolder = AddBackslash(fields.to) + EncodePath(date) + "/";
}

std::vector<std::string> RestoreFixture::restore(const std::string& chosen, std::vector<platform::MsgAnswer> later)
{
    if (!chosen.empty())
        boxes.queueAnswer(platform::MsgAnswer::Yes);
    for (platform::MsgAnswer answer : later)
        boxes.queueAnswer(answer);
    window = std::make_unique<frmUnBackup>(fields);
    whenDateDialogOpens(window.get(), [chosen](frmUnBackupSelectDate& dialog) {
        QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
        if (chosen.empty()) {
            dialog.cmdCancel_Click();
            return;
        }
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->text().toStdString() == chosen) {
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

std::vector<testsupport::ShownBox> RestoreFixture::shownAfterQuestion() const
{
    std::vector<testsupport::ShownBox> rest;
    for (const testsupport::ShownBox& box : boxes.shown()) {
        if (box.title != "Continue?")
            rest.push_back(box);
    }
    return rest;
}

} // namespace restoretest
