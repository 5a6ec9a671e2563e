// The date dialog from the keyboard alone: the arrow keys move through the
// dates, Enter chooses the one selected and still asks the question first.
#include "restore/windows/frmUnBackupSelectDate.h"

#include "tests/support/TestSupport.h"

#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using platform::MsgAnswer;

const std::string kDates[] = { "12/05/26 21:06:11", "12/06/26 08:00:00", "12/07/26" };

// Shows the dialog modally, runs `drive` once it is up and returns when the
// dialog is hidden (hiding it after a bound).
void showAndDrive(frmUnBackupSelectDate& dialog, const std::function<void()>& drive)
{
    QTimer::singleShot(0, &dialog, drive);
    QTimer::singleShot(20000, &dialog, [&dialog] {
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog was still open";
            dialog.hide();
        }
    });
    dialog.exec();
}

class SelectDateKeyboard : public ::testing::Test {
protected:
    SelectDateKeyboard()
    {
        for (const std::string& date : kDates)
            dialog.addDate(date);
    }
    testsupport::ScriptedMessageBoxes boxes;
    frmUnBackupSelectDate dialog;
};

TEST_F(SelectDateKeyboard, ArrowsMoveAndEnterChoosesAfterTheQuestion)
{
    boxes.queueAnswer(MsgAnswer::No);
    boxes.queueAnswer(MsgAnswer::Yes);
    showAndDrive(dialog, [this] {
        QListWidget* list = dialog.lstDate();
        EXPECT_EQ(dialog.focusWidget(), list);
        // The first date is the current one from the start.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return); // the third date, No: the dialog stays
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Enter); // the second date, Yes
    });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Tag, kDates[1]);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.shown()[0].text.find(kDates[2] + "?"), std::string::npos) << boxes.shown()[0].text;
    EXPECT_EQ(boxes.shown()[0].title, "Continue?");
    EXPECT_NE(boxes.shown()[1].text.find(kDates[1] + "?"), std::string::npos) << boxes.shown()[1].text;
}

TEST_F(SelectDateKeyboard, EnterWithNothingSelectedAsksNothing)
{
    showAndDrive(dialog, [this] {
        QTest::keyClick(dialog.lstDate(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        dialog.cmdCancel_Click();
    });
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(dialog.Tag, "");
}

} // namespace
