// The date dialog, shown modally for real and driven like a user would.
#include "restore/windows/frmUnBackupSelectDate.h"

#include "platform/TextConversion.h"

#include "tests/support/TestSupport.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using platform::MsgAnswer;

namespace {

const std::string kDates[] = { "12/05/26 21:06:11", "12/06/26 08:00:00", "12/07/26" };

std::string question(const std::string& entry)
{
    return "Do you really want to restore all files from " + entry + "?" + "\r\n\r\n" + "Warning!" + "\r\n"
        + "ALL FILES IN TARGET DIRECTORY IS GOING TO BE DELETED!";
}

// Shows the dialog modally; `drive` runs once it is up. Returns when the
// dialog has been hidden (or after a bound, hiding it then).
void showAndDrive(frmUnBackupSelectDate& dialog, std::function<void()> drive)
{
    QTimer::singleShot(0, &dialog, [drive] { drive(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] {
        ADD_FAILURE() << "the dialog was still open";
        dialog.hide();
    });
    guard.start(20000);
    dialog.exec();
}

QPoint centreOf(QListWidget* list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

class SelectDate : public ::testing::Test {
protected:
    SelectDate()
    {
        for (const std::string& date : kDates)
            dialog.addDate(date);
    }
    testsupport::ScriptedMessageBoxes boxes;
    frmUnBackupSelectDate dialog;
};

TEST_F(SelectDate, ShowsTheDatesInTheOrderAdded)
{
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Select Date To Restore");
    QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->item(i)->text().toStdString(), kDates[i]);
    EXPECT_EQ(dialog.Tag, "");
}

TEST_F(SelectDate, YesOnADoubleClickedDateHandsBackExactlyThatText)
{
    boxes.queueAnswer(MsgAnswer::Yes);
    showAndDrive(dialog, [this] {
        QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, 1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, 1));
    });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Tag, kDates[1]);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, question(kDates[1]));
    EXPECT_EQ(boxes.shown()[0].title, "Continue?");
    EXPECT_EQ(boxes.shown()[0].style, 292);
}

TEST_F(SelectDate, NoLeavesTheDialogOpenAndUnchanged)
{
    boxes.queueAnswer(MsgAnswer::No);
    boxes.queueAnswer(MsgAnswer::Yes);
    bool openAfterNo = false;
    showAndDrive(dialog, [this, &openAfterNo] {
        QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
        list->setCurrentRow(2);
        dialog.lstDate_DblClick();
        openAfterNo = dialog.isVisible();
        EXPECT_EQ(dialog.Tag, "");
        EXPECT_EQ(list->count(), 3);
        EXPECT_EQ(list->currentRow(), 2);
        // The user then picks another date and confirms it.
        list->setCurrentRow(0);
        dialog.lstDate_DblClick();
    });
    EXPECT_TRUE(openAfterNo);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, question(kDates[2]));
    EXPECT_EQ(boxes.shown()[1].text, question(kDates[0]));
    EXPECT_EQ(dialog.Tag, kDates[0]);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SelectDate, ADoubleClickBesideTheEntriesHandsBackNothing)
{
    boxes.queueAnswer(MsgAnswer::Yes);
    showAndDrive(dialog, [this] {
        QListWidget* list = dialog.findChild<QListWidget*>("lstDate");
        list->setCurrentRow(0);
        // Below the last entry: nothing is asked, whatever was selected before.
        QPoint empty(list->viewport()->width() / 2, list->viewport()->height() - 3);
        ASSERT_EQ(list->itemAt(empty), nullptr);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_TRUE(dialog.isVisible());
        list->clearSelection();
        dialog.lstDate_DblClick(); // nothing selected
        EXPECT_TRUE(boxes.shown().empty());
        dialog.cmdCancel_Click();
    });
    EXPECT_EQ(dialog.Tag, "");
}

TEST_F(SelectDate, CancelEscapeAndCloseHandBackTheEmptyText)
{
    const std::vector<std::function<void(frmUnBackupSelectDate&)>> ways{
        [](frmUnBackupSelectDate& d) {
            QTest::mouseClick(d.findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
        },
        [](frmUnBackupSelectDate& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](frmUnBackupSelectDate& d) { d.close(); },
    };
    for (const auto& way : ways) {
        dialog.Tag = "left over";
        showAndDrive(dialog, [this, &way] { way(dialog); });
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.Tag, "");
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SelectDate, EnterPressesNoButton)
{
    showAndDrive(dialog, [this] {
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        dialog.cmdCancel_Click();
    });
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SelectDate, ADateThatIsNotUtf8ComesBackByteForByte)
{
    frmUnBackupSelectDate other;
    const std::string odd = "05.12.2026 21:06:11 \xE4";
    other.addDate(odd);
    // Shown as every path with such a byte is shown: in the log and the source list alike.
    EXPECT_EQ(other.lstDate()->item(0)->text(), platform::textFromBytes(odd));
    boxes.queueAnswer(MsgAnswer::Yes);
    showAndDrive(other, [&other] {
        other.findChild<QListWidget*>("lstDate")->setCurrentRow(0);
        other.lstDate_DblClick();
    });
    EXPECT_EQ(other.Tag, odd);
}

} // namespace
