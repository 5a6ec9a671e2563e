#include "tests/restore/RestoreTestSupport.h"

#include "ui/ProgressWindow.h"
#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/Launcher.h"
#include "restore/windows/frmUnBackupSelectDate.h"
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

std::vector<std::string> makeSampleTree(const std::string& root)
{
    using testsupport::makeDirs;
    using testsupport::writeText;
    const std::string a = root + "/Alpha one";
    const std::string b = root + "/Beta's \"quoted\" $HOME";
    makeDirs(a + "/sub 1/deeper \xC3\xBC\xC3\x9F");
    makeDirs(a + "/empty folder");
    makeDirs(a + "/.hidden folder");
    makeDirs(b + "/\xE6\x97\xA5\xE6\x9C\xAC/level 3");
    writeText(a + "/readme.txt", "top level\r\n");
    writeText(a + "/.dotfile", "hidden, but stored with its folder");
    writeText(a + "/.hidden folder/not walked", "never backed up");
    writeText(a + "/sub 1/it's $1 & more.txt", "quotes");
    std::string binary;
    for (int i = 0; i < 256; ++i)
        binary += static_cast<char>(i);
    writeText(a + "/sub 1/deeper \xC3\xBC\xC3\x9F/all bytes.bin", binary);
    std::string large;
    large.reserve(6u << 20);
    unsigned state = 12345;
    while (large.size() < (6u << 20)) {
        state = state * 1103515245u + 12345u;
        large += static_cast<char>(state >> 16);
    }
    writeText(b + "/large.bin", large);
    writeText(b + "/\xE6\x97\xA5\xE6\x9C\xAC/level 3/\xC3\xA9t\xC3\xA9.txt", "non-ASCII");
    writeText(b + "/\xE6\x97\xA5\xE6\x9C\xAC/back\\slash", "a backslash is a name character here");
    writeText(b + "/empty file", "");
    return {a, b};
}

void expectRestoredExactly(const std::string& target, const std::map<std::string, std::string>& expected)
{
    std::map<std::string, std::string> wanted;
    for (const auto& [path, bytes] : expected)
        wanted[path.substr(1)] = bytes; // every absolute path becomes a level below the target
    const std::map<std::string, std::string> restored = allFilesBelow(target);
    EXPECT_EQ(restored.size(), wanted.size());
    for (const auto& [path, bytes] : wanted) {
        auto it = restored.find(path);
        if (it == restored.end())
            ADD_FAILURE() << path << " was not restored";
        else
            EXPECT_TRUE(it->second == bytes) << path << " differs";
    }
    for (const auto& [path, bytes] : restored)
        EXPECT_TRUE(wanted.count(path)) << path << " should not be there";
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
    window = std::make_unique<frmUnBackup>(fields, appFolder);
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
