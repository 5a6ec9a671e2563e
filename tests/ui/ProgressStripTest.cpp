// The progress strip of a run window: the time goes on while a folder takes
// long, the estimate shows only once it can be made, and the bar never stays
// busy after a run.
#include "ui/ProgressWindow.h"

#include "ui/WindowDefinitions.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A progress window whose run is whatever the test gives it.
class ScriptedRun : public ProgressWindow {
public:
    explicit ScriptedRun(std::function<void(ScriptedRun&)> run)
        : ProgressWindow(frmUnBackupDefinition())
        , m_run(std::move(run))
    {
    }

protected:
    void Timer1_Timer() override
    {
        Timer1()->stop();
        m_run(*this);
        finishRun();
        hide();
    }

private:
    std::function<void(ScriptedRun&)> m_run;
};

void runShown(ScriptedRun& window)
{
    window.show();
    QElapsedTimer clock;
    clock.start();
    while (!window.runFinished() && clock.elapsed() < 20000)
        QTest::qWait(5);
    ASSERT_TRUE(window.runFinished());
}

RunProgress reportOf(std::size_t done, std::size_t total)
{
    return { done, total, done * 1000, total * 1000 };
}

TEST(ProgressStrip, TheTimeGoesOnWhileAFolderTakesLong)
{
    QString before;
    QString during;
    ScriptedRun window([&](ScriptedRun& w) {
        w.progress(reportOf(0, 2));
        before = w.lblTime()->text();
        // A folder that takes over a second, with events running as a job's
        // wait lets them.
        QElapsedTimer folder;
        folder.start();
        while (folder.elapsed() < 1800)
            QTest::qWait(20);
        during = w.lblTime()->text();
    });
    runShown(window);
    EXPECT_EQ(before, "Elapsed 0:00");
    EXPECT_NE(during, before);
    EXPECT_TRUE(during.startsWith("Elapsed 0:0")) << during.toStdString();
}

TEST(ProgressStrip, TheEstimateShowsOnceEnoughIsDoneAndGoesAtTheEnd)
{
    std::vector<QString> shown;
    ScriptedRun window([&](ScriptedRun& w) {
        w.progress(reportOf(0, 10));
        for (std::size_t done = 1; done <= 10; ++done) {
            QTest::qWait(30);
            w.progress(reportOf(done, 10));
            shown.push_back(w.lblTime()->text());
        }
    });
    runShown(window);
    ASSERT_EQ(shown.size(), 10u);
    for (std::size_t i = 0; i + 1 < TimeLeft::kEnoughFolders; ++i)
        EXPECT_FALSE(shown[i].contains("left")) << i << ": " << shown[i].toStdString();
    EXPECT_TRUE(shown[TimeLeft::kEnoughFolders - 1].startsWith("Elapsed 0:00, about 0:0"))
        << shown[TimeLeft::kEnoughFolders - 1].toStdString();
    EXPECT_TRUE(shown[TimeLeft::kEnoughFolders - 1].endsWith(" left"));
    EXPECT_FALSE(shown.back().contains("left")) << shown.back().toStdString();
    EXPECT_EQ(window.lblProgress()->text(), "Folders: 10 of 10");
}

TEST(ProgressStrip, TheBarIsNeverLeftBusyAfterARun)
{
    // A run with nothing to do has done all of it.
    ScriptedRun empty([](ScriptedRun& w) { w.progress(reportOf(0, 0)); });
    runShown(empty);
    EXPECT_EQ(empty.lblProgress()->text(), "Folders: 0 of 0");
    EXPECT_GT(empty.barProgress()->maximum(), 0);
    EXPECT_EQ(empty.barProgress()->value(), empty.barProgress()->maximum());

    // A run that ended before its folders (no date chosen) leaves it empty.
    ScriptedRun cancelled([](ScriptedRun&) {});
    runShown(cancelled);
    EXPECT_GT(cancelled.barProgress()->maximum(), 0);
    EXPECT_LT(cancelled.barProgress()->value(), cancelled.barProgress()->maximum());
    EXPECT_TRUE(cancelled.lblProgress()->text().isEmpty());
}

} // namespace
