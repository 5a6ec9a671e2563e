#include "platform/gui/FolderPicker.h"
#include "platform/gui/QtMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` on the modal window once it is up; gives up after five seconds.
void whenModalShows(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        } else if (++*started > 500) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    poll->start(10);
}

struct BoxSeen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString text;
    QString title;
};

BoxSeen showAndAnswer(
    const std::string& text, int style, QMessageBox::StandardButton answer, platform::MsgAnswer& result)
{
    BoxSeen seen;
    whenModalShows([&seen, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        seen.text = box->text();
        seen.title = box->windowTitle();
        box->button(answer)->click();
    });
    result = platform::gui::showQtMessageBox(text, "Title", style);
    return seen;
}

TEST(QtMessageBox, StylesMapToIconsAndButtons)
{
    platform::MsgAnswer answer;
    BoxSeen error = showAndAnswer("Error!\r\n\r\nCannot move", 16, QMessageBox::Ok, answer);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.buttons, QMessageBox::Ok);
    EXPECT_EQ(error.text, "Error!\n\nCannot move");
    EXPECT_EQ(error.title, "Title");
    EXPECT_EQ(answer, platform::MsgAnswer::Ok);

    BoxSeen info = showAndAnswer("Information", 64, QMessageBox::Ok, answer);
    EXPECT_EQ(info.icon, QMessageBox::Information);
    EXPECT_EQ(info.buttons, QMessageBox::Ok);

    BoxSeen question = showAndAnswer("Sure?", 36, QMessageBox::Yes, answer);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(answer, platform::MsgAnswer::Yes);

    BoxSeen careful = showAndAnswer("Really?", 292, QMessageBox::No, answer);
    EXPECT_EQ(careful.icon, QMessageBox::Question);
    EXPECT_EQ(careful.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(careful.defaultButton, QMessageBox::No);
    EXPECT_EQ(answer, platform::MsgAnswer::No);
}

TEST(QtMessageBox, EscapeOnAQuestionAnswersNo)
{
    whenModalShows([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(platform::gui::showQtMessageBox("Really?", "Continue?", 292), platform::MsgAnswer::No);
}

TEST(FolderPicker, CancelGivesAnEmptyTextAndAChoiceItsPath)
{
    testsupport::TempDir dir;
    testsupport::makeDirs(dir / "with space");
    whenModalShows([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(platform::gui::pickFolder(nullptr), "");

    const std::string chosen = dir / "with space";
    whenModalShows([&chosen](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(chosen));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(platform::gui::pickFolder(nullptr), chosen);
}

TEST(FolderPicker, ScriptedAnswersAreUsedOnceEach)
{
    platform::gui::resetFolderPicker();
    platform::gui::setNextPickedFolder("/first");
    platform::gui::setNextPickedFolder("");
    EXPECT_EQ(platform::gui::pickFolder(nullptr), "/first");
    EXPECT_EQ(platform::gui::pickFolder(nullptr), "");
    EXPECT_EQ(platform::gui::pickFolderCalls(), 2);
    platform::gui::resetFolderPicker();
    EXPECT_EQ(platform::gui::pickFolderCalls(), 0);
}

} // namespace
