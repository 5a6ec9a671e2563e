// One copy of the program per user: a later copy brings the first one's
// window to the front and ends, so two copies never save over each other.
#include "app/SingleInstance.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Unprivileged.h"

#include <QProcess>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using testsupport::TempDir;

namespace {

const char kNameSetting[] = "QUORVEL_HELPER_INSTANCE";
const char kLockSetting[] = "QUORVEL_HELPER_INSTANCE_LOCK";

// Starts a later copy in a process of its own and waits, letting this
// copy's events run, for it to end; returns its exit code.
int laterCopy(const std::string& name, const std::string& lock)
{
    QProcess other;
    if (!testsupport::startSelf(other, "SingleInstanceHelper.DISABLED_LaterCopy",
            { { kNameSetting, name }, { kLockSetting, lock } }))
        return -1;
    if (!QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 20000))
        return -2;
    return other.exitStatus() == QProcess::NormalExit ? other.exitCode() : -3;
}

} // namespace

TEST(SingleInstance, ALaterCopyBringsTheFirstWindowToTheFrontAndEnds)
{
    TempDir dir;
    const std::string name = dir / "instance.socket";
    const std::string lock = dir / "instance.lock";
    {
        SingleInstance first(name, lock);
        ASSERT_TRUE(first.first());
        QWidget window;
        window.showMinimized();
        window.hide();
        first.raiseOnRequest(&window);

        EXPECT_EQ(laterCopy(name, lock), 0) << "the later copy did not end as a later copy";
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 5000));
        EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);
    }
    // Once the first copy has ended, the next one is first again, even where
    // the first one's socket was left behind.
    SingleInstance next(name, lock);
    EXPECT_TRUE(next.first());
}

// The later copy, started by the test above: exits with 0 when it found the
// first copy and asked it to show itself.
TEST(SingleInstanceHelper, DISABLED_LaterCopy)
{
    const std::string name = testsupport::helperSetting(kNameSetting);
    if (name.empty())
        GTEST_SKIP() << "runs only as another test's later copy";
    SingleInstance later(name, testsupport::helperSetting(kLockSetting));
    ASSERT_FALSE(later.first());
}
