// Restoring part of a run from the window: the folder dialog after the date,
// worked with the mouse's buttons and the keyboard, and what comes back.
#include "tests/support/StoreFixtures.h"
#include "tests/support/WindowDriving.h"

#include "restore/windows/frmUnBackupSelectDate.h"
#include "restore/windows/frmUnBackupSelectFolders.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

class RestorePartWindow : public RestoreFixture {
protected:
    RestorePartWindow()
    {
        makeDirs(source + "/a/sub");
        makeDirs(source + "/b");
        writeText(source + "/top.txt", "top");
        writeText(source + "/a/x.txt", "x in a");
        writeText(source + "/a/.hidden", "hidden in a");
        writeText(source + "/a/sub/y.txt", "y below a");
        writeText(source + "/b/w.txt", "w in b");
        makeDirs(runFolder);
        storeTree(runFolder, source);
    }

    // Restores the test's run, choosing its date in the date dialog and
    // handing the folder dialog to `onFolders`; returns the log, oldest first.
    std::vector<std::string> restoreWith(std::function<void(frmUnBackupSelectFolders&)> onFolders)
    {
        boxes.queueAnswer(platform::MsgAnswer::Yes);
        window = std::make_unique<frmUnBackup>(fields, appFolder);
        whenDateDialogOpens(window.get(), [](frmUnBackupSelectDate& dialog) {
            dialog.lstDate()->setCurrentRow(0);
            dialog.lstDate_DblClick();
        });
        whenFoldersDialogOpens(window.get(), [this, onFolders](frmUnBackupSelectFolders& dialog) {
            shownFolders.clear();
            for (int row = 0; row < dialog.lstFolders()->count(); ++row) {
                shownFolders.push_back(dialog.lstFolders()->item(row)->text().toStdString());
                initiallyTicked &= dialog.lstFolders()->item(row)->checkState() == Qt::Checked;
            }
            onFolders(dialog);
        });
        EXPECT_TRUE(runToEnd(*window));
        std::vector<std::string> log = window->logLines();
        std::reverse(log.begin(), log.end());
        return log;
    }

    // The files restored of these folders of the source, each folder alone.
    std::map<std::string, std::string> filesOf(const std::vector<std::string>& folders) const
    {
        std::map<std::string, std::string> files;
        for (const std::string& folder : folders)
            for (const auto& [name, bytes] : allFilesBelow(folder))
                if (name.find('/') == std::string::npos)
                    files[folder + "/" + name] = bytes;
        return files;
    }

    static void press(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key); }

    const std::string source = dir / "src";
    std::vector<std::string> shownFolders;
    bool initiallyTicked = true;
};

TEST_F(RestorePartWindow, EveryFolderIsOfferedTickedAndRestoreAsItStandsTakesThemAll)
{
    const auto log = restoreWith([](frmUnBackupSelectFolders& dialog) { dialog.cmdRestore()->click(); });
    EXPECT_EQ(shownFolders,
        (std::vector<std::string>{ source + "/", source + "/a/", source + "/a/sub/", source + "/b/" }));
    EXPECT_TRUE(initiallyTicked);
    expectRestoredExactly(fields.unBackupTo, filesOfTree(source));
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("Only:"); }),
        0);
    EXPECT_TRUE(shownAfterQuestion().empty());
}

TEST_F(RestorePartWindow, TheFoldersTickedComeBackByteForByteAndNoOther)
{
    const auto log = restoreWith([](frmUnBackupSelectFolders& dialog) {
        dialog.cmdNone()->click();
        EXPECT_FALSE(dialog.cmdRestore()->isEnabled());
        // Ticked with Space, each after moving to it with the arrow keys.
        QListWidget* list = dialog.lstFolders();
        list->setFocus();
        list->setCurrentRow(0);
        press(list, Qt::Key_Down);
        press(list, Qt::Key_Space);
        press(list, Qt::Key_Down);
        press(list, Qt::Key_Space);
        EXPECT_TRUE(dialog.cmdRestore()->isEnabled());
        dialog.cmdRestore()->click();
    });
    expectRestoredExactly(fields.unBackupTo, filesOf({ source + "/a", source + "/a/sub" }));
    EXPECT_NE(std::find(log.begin(), log.end(), "Only:    " + source + "/a/"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Only:    " + source + "/a/sub/"), log.end());
    EXPECT_TRUE(shownAfterQuestion().empty());
}

TEST_F(RestorePartWindow, FromTheKeyboardAloneSpaceUnticksAndEnterRestores)
{
    restoreWith([](frmUnBackupSelectFolders& dialog) {
        // The list has the focus from the start, on the first folder.
        // The dialog may be shown before the window system makes it active,
        // and only an active window has a focus widget.
        QListWidget* list = dialog.lstFolders();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(QApplication::focusWidget(), list);
        press(list, Qt::Key_Down);
        press(list, Qt::Key_Space);
        press(list, Qt::Key_Return);
    });
    // Every folder but src/a's own files: its subfolder has its own tick.
    expectRestoredExactly(fields.unBackupTo, filesOf({ source, source + "/a/sub", source + "/b" }));
    EXPECT_FALSE(fs::exists(fields.unBackupTo + source + "/a/x.txt"));
}

TEST_F(RestorePartWindow, NothingTickedCannotBeRestoredAndCancelRestoresNothing)
{
    bool stillOpen = false;
    const auto log = withoutRunReport(restoreWith([&stillOpen](frmUnBackupSelectFolders& dialog) {
        dialog.cmdNone()->click();
        press(dialog.lstFolders(), Qt::Key_Return);
        stillOpen = dialog.isVisible() && !dialog.confirmed();
        dialog.cmdAll()->click();
        EXPECT_TRUE(dialog.cmdRestore()->isEnabled());
        press(dialog.lstFolders(), Qt::Key_Escape);
    }));
    EXPECT_TRUE(stillOpen);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Skipped...");
    EXPECT_TRUE(allFilesBelow(fields.unBackupTo).empty());
    EXPECT_TRUE(shownAfterQuestion().empty());
}

} // namespace
} // namespace testsupport
