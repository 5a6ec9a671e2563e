#include "ui/WindowDefinitions.h"
#include "ui/FormBuilder.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QRect pixels(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

TEST(WindowDefinitions, MainWindowBuildsWithItsControlsInPlace)
{
    QDialog dialog;
    BuiltForm form = buildForm(dialog, frmMainDefinition());
    EXPECT_EQ(dialog.windowTitle(), "Backup");
    EXPECT_EQ(dialog.size(), QSize(529, 318));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);

    auto* backup = dialog.findChild<QPushButton*>("cmdBackup");
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(backup->text(), "Backup!");
    EXPECT_EQ(backup->geometry(), pixels(120, 2520, 1080, 480));
    EXPECT_FALSE(backup->isEnabled());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("cmdUnBackup")->isEnabled());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("cmdAbout")->isEnabled());
    EXPECT_FALSE(backup->autoDefault());
    EXPECT_EQ(dialog.findChild<QListWidget*>("lstFrom")->geometry(), pixels(1320, 600, 6495, 2595));
    EXPECT_EQ(form.get<QTimer>("Timer1")->interval(), 1000);

    auto* label = dialog.findChild<QLabel*>("Label2");
    EXPECT_EQ(label->text(), "UnBackup To:");
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    auto* info = dialog.findChild<QLabel*>("lblInfo");
    EXPECT_TRUE(info->wordWrap());
    EXPECT_EQ(info->text(),
        "The filename for each .7z file will be: {TOPATH}\\ {DATE AND TIME}\\ {COMPLETE FROM PATH}");
}

TEST(WindowDefinitions, ChangeButtonsLieAboveTheirTextBoxesAndLabelsBeneathAll)
{
    QDialog dialog;
    buildForm(dialog, frmMainDefinition());
    for (const char* name : { "cmdToChange", "cmdFromChange", "cmdUnBackupToChange" }) {
        auto* button = dialog.findChild<QPushButton*>(name);
        EXPECT_EQ(dialog.childAt(button->geometry().center()), button) << name;
    }
    // The information label's lower part is covered by the run buttons.
    for (const char* name : { "cmdBackup", "cmdUnBackup", "cmdAbout" }) {
        auto* button = dialog.findChild<QPushButton*>(name);
        EXPECT_EQ(dialog.childAt(button->geometry().center()), button) << name;
    }
}

TEST(WindowDefinitions, TabOrderFollowsTheTabIndexAndFocusStartsInTheBackupTarget)
{
    QDialog dialog;
    buildForm(dialog, frmMainDefinition());
    QWidget* txtTo = dialog.findChild<QWidget*>("txtTo");
    std::vector<QString> order;
    for (QWidget* w = txtTo; order.size() < 11; w = w->nextInFocusChain()) {
        if (!w->objectName().isEmpty() && w->focusPolicy() != Qt::NoFocus)
            order.push_back(w->objectName());
    }
    std::vector<QString> expected{ "txtTo", "cmdToChange", "lstFrom", "cmdAddToFrom", "cmdBackup",
        "cmdRemoveFromFrom", "txtFrom", "cmdFromChange", "cmdUnBackup", "cmdUnBackupToChange",
        "txtUnBackupTo" };
    EXPECT_EQ(order, expected);
    dialog.show();
    dialog.activateWindow();
    EXPECT_EQ(dialog.focusWidget(), txtTo);
}

TEST(WindowDefinitions, ProgressWindowsShareGeometryAndFonts)
{
    const WindowDefinition& backup = frmBackupDefinition();
    const WindowDefinition& restore = frmUnBackupDefinition();
    EXPECT_EQ(restore.caption, "UnBackuping...");
    for (const char* name : { "lstBackup", "cmdDone", "lblBackuping" }) {
        const ControlDefinition& a = backup.control(name);
        const ControlDefinition& b = restore.control(name);
        EXPECT_EQ(
            std::tie(a.left, a.top, a.width, a.height, a.visible, a.enabled, a.font.face, a.font.points),
            std::tie(b.left, b.top, b.width, b.height, b.visible, b.enabled, b.font.face, b.font.points));
    }
    EXPECT_EQ(restore.control("lblBackuping").caption, "Backuping...");
    EXPECT_EQ(restore.control("cmdDone").tabIndex, 0);
    EXPECT_EQ(backup.control("cmdDone").tabIndex, 2);

    QFont log = fontFor(backup.control("lstBackup").font);
    // The log's columns line up: every character is as wide as any other.
    QFontMetrics metrics(log);
    EXPECT_EQ(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("WWWW"));
    EXPECT_DOUBLE_EQ(log.pointSizeF(), 9.75);
    EXPECT_EQ(fontFor(backup.control("lblBackuping").font).pointSizeF(), 18);
}

TEST(WindowDefinitions, DateDialog)
{
    QDialog dialog;
    buildForm(dialog, frmUnBackupSelectDateDefinition());
    EXPECT_EQ(dialog.windowTitle(), "Select Date To Restore");
    EXPECT_EQ(dialog.size(), QSize(169, 236));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdCancel")->geometry(), pixels(120, 3240, 2295, 255));
    EXPECT_EQ(dialog.findChild<QListWidget*>("lstDate")->geometry(), pixels(120, 120, 2295, 2985));
    dialog.show();
    dialog.activateWindow();
    EXPECT_EQ(dialog.focusWidget(), dialog.findChild<QWidget*>("lstDate"));
}

} // namespace
