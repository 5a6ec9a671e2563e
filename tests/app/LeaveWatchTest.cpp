#include "app/LeaveWatch.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

class LeaveWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&m_window);
        for (QLineEdit* box : { m_watched, m_other })
            layout->addWidget(box);
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window, 5000));
        m_watched->setFocus();
        ASSERT_TRUE(m_watched->hasFocus());
    }

    static void loseFocus(QLineEdit* box, Qt::FocusReason reason)
    {
        QFocusEvent event(QEvent::FocusOut, reason);
        QApplication::sendEvent(box, &event);
    }

    QWidget m_window;
    QLineEdit* m_watched = new QLineEdit(&m_window);
    QLineEdit* m_other = new QLineEdit(&m_window);
    int m_left = 0;
};

TEST_F(LeaveWatchTest, MovingToAnotherControlIsALeave)
{
    LeaveWatch watch;
    watch.watch(m_watched, [this] { ++m_left; });
    QTest::keyClick(m_watched, Qt::Key_Tab);
    EXPECT_TRUE(m_other->hasFocus());
    EXPECT_EQ(m_left, 1);
    // Leaving a box that is not watched calls nothing.
    QTest::keyClick(m_other, Qt::Key_Tab);
    EXPECT_EQ(m_left, 1);
    m_watched->setFocus();
    m_other->setFocus();
    EXPECT_EQ(m_left, 2);
}

TEST_F(LeaveWatchTest, AnotherApplicationOrAMenuIsNoLeave)
{
    LeaveWatch watch;
    watch.watch(m_watched, [this] { ++m_left; });
    loseFocus(m_watched, Qt::ActiveWindowFocusReason);
    loseFocus(m_watched, Qt::PopupFocusReason);
    EXPECT_EQ(m_left, 0);
    loseFocus(m_watched, Qt::MouseFocusReason);
    loseFocus(m_watched, Qt::OtherFocusReason);
    EXPECT_EQ(m_left, 2);
}

TEST_F(LeaveWatchTest, EachBoxCallsItsOwnAnswer)
{
    LeaveWatch watch;
    int otherLeft = 0;
    watch.watch(m_watched, [this] { ++m_left; });
    watch.watch(m_other, [&] { ++otherLeft; });
    m_other->setFocus();
    m_watched->setFocus();
    m_other->setFocus();
    EXPECT_EQ(m_left, 2);
    EXPECT_EQ(otherLeft, 1);
}

TEST_F(LeaveWatchTest, TheWatchEndsWithItsObject)
{
    {
        LeaveWatch watch;
        watch.watch(m_watched, [this] { ++m_left; });
    }
    m_other->setFocus();
    EXPECT_EQ(m_left, 0);

    // A box that goes first is simply forgotten.
    auto watch = std::make_unique<LeaveWatch>();
    watch->watch(m_other, [this] { ++m_left; });
    m_watched->setFocus();
    EXPECT_EQ(m_left, 1);
    delete m_other;
    m_other = nullptr;
    watch.reset();
    EXPECT_EQ(m_left, 1);
}

} // namespace
