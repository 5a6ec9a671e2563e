#include "ui/ProgressWindow.h"

#include "platform/Events.h"
#include "platform/TextConversion.h"
#include "ui/WindowDefinitions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A progress window whose run is whatever the test gives it.
class ScriptedRunWindow : public ProgressWindow {
public:
    explicit ScriptedRunWindow(std::function<void(ScriptedRunWindow&)> run)
        : ProgressWindow(frmBackupDefinition())
        , m_run(std::move(run))
    {
    }
    int ticks = 0;

protected:
    void Timer1_Timer() override
    {
        Timer1()->stop();
        ++ticks;
        m_run(*this);
    }

private:
    std::function<void(ScriptedRunWindow&)> m_run;
};

// Runs the window modally; a safety timer hides it should the test go wrong.
void execBounded(QDialog& window)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &window, [&window] {
        ADD_FAILURE() << "the window did not end its modal display";
        window.hide();
    });
    guard.start(10000);
    window.exec();
}

TEST(ProgressWindow, StartsWithTheLogUsableAndDoneHiddenOverTheLabel)
{
    ScriptedRunWindow window([](ScriptedRunWindow&) {});
    EXPECT_EQ(window.objectName(), "frmBackup");
    EXPECT_EQ(window.windowTitle(), "Backuping...");
    // The defined size, and the progress strip below it.
    EXPECT_EQ(window.width(), 641);
    EXPECT_GT(window.height(), 439);
    EXPECT_TRUE(window.lstBackup()->isEnabled());
    EXPECT_TRUE(window.cmdDone()->isHidden());
    EXPECT_EQ(window.cmdDone()->text(), "Done");
    EXPECT_EQ(window.cmdDone()->geometry(), window.lblBackuping()->geometry());
    EXPECT_EQ(window.lblBackuping()->text(), "Backuping...");
    EXPECT_EQ(window.Timer1()->interval(), 1);
    EXPECT_FALSE(window.Timer1()->isActive());
    EXPECT_EQ(window.findChild<QListView*>("lstBackup"), window.lstBackup());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);
}

TEST(ProgressWindow, RunsOnceWhenShownAndEndsWithDone)
{
    ScriptedRunWindow window([](ScriptedRunWindow& w) {
        w.AddLog("first");
        platform::processEvents();
        w.AddLog("second");
        w.AddLog("third");
        w.finishRun();
        QTimer::singleShot(0, &w, [&w] {
            EXPECT_TRUE(w.isVisible());
            // Done lies over the label and takes the click there.
            QWidget* under = w.childAt(w.lblBackuping()->geometry().center());
            EXPECT_EQ(under, w.cmdDone());
            QTest::mouseClick(w.cmdDone(), Qt::LeftButton);
        });
    });
    execBounded(window);
    EXPECT_EQ(window.ticks, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.lstBackup()->isEnabled());
    EXPECT_FALSE(window.cmdDone()->isHidden());
    EXPECT_EQ(window.logLines(), (std::vector<std::string>{ "third", "second", "first" }));
    QAbstractItemModel* model = window.lstBackup()->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(0, 0).data().toString(), "third");
    EXPECT_EQ(model->index(2, 0).data().toString(), "first");
    EXPECT_FALSE(window.lstBackup()->selectionModel()->hasSelection());
}

TEST(ProgressWindow, EscapeEnterAndCloseRequestsDoNotEndARunButCloseItsWindowAfter)
{
    bool stillShown = false;
    ScriptedRunWindow window([&stillShown](ScriptedRunWindow& w) {
        w.AddLog("working");
        QTest::keyClick(&w, Qt::Key_Escape);
        QTest::keyClick(&w, Qt::Key_Return);
        QTest::keyClick(w.lstBackup(), Qt::Key_Escape);
        EXPECT_FALSE(w.close());
        w.reject();
        platform::processEvents();
        stillShown = w.isVisible();
        w.finishRun();
        QTimer::singleShot(0, &w, [&w] {
            // Once the run is over, Escape and a close request do what Done does.
            QTest::keyClick(&w, Qt::Key_Escape);
            EXPECT_FALSE(w.isVisible());
            w.close();
        });
    });
    execBounded(window);
    EXPECT_TRUE(stillShown);
    EXPECT_FALSE(window.isVisible());
}

TEST(ProgressWindow, ManyLinesKeepNewestOnTop)
{
    ScriptedRunWindow window([](ScriptedRunWindow& w) {
        for (int i = 0; i < 20000; ++i)
            w.AddLog("line " + std::to_string(i));
        w.finishRun();
        QTimer::singleShot(0, &w, [&w] { w.cmdDone_Click(); });
    });
    execBounded(window);
    std::vector<std::string> lines = window.logLines();
    ASSERT_EQ(lines.size(), 20000u);
    EXPECT_EQ(lines.front(), "line 19999");
    EXPECT_EQ(lines.back(), "line 0");
    EXPECT_EQ(window.lstBackup()->model()->index(1, 0).data().toString(), "line 19998");
}

TEST(ProgressWindow, ALineTooWideForTheListShowsWholeWhenHeldOver)
{
    const std::string wide = "Summary: " + std::string(400, 'x') + " reused";
    ScriptedRunWindow window([&wide](ScriptedRunWindow& w) {
        w.AddLog(wide);
        w.finishRun();
        QTimer::singleShot(0, &w, [&w] { w.cmdDone_Click(); });
    });
    execBounded(window);
    const QModelIndex line = window.lstBackup()->model()->index(0, 0);
    EXPECT_EQ(line.data(Qt::ToolTipRole).toString().toStdString(), wide);
}

TEST(ProgressWindow, TheListCatchesUpWithTheLogWhileEventsRun)
{
    ScriptedRunWindow window([](ScriptedRunWindow&) {});
    window.show();
    for (int i = 0; i < 50; ++i)
        window.AddLog("line " + std::to_string(i));
    EXPECT_EQ(window.logLines().size(), 50u);
    QAbstractItemModel* model = window.lstBackup()->model();
    EXPECT_TRUE(QTest::qWaitFor([model] { return model->rowCount() == 50; }, 5000));
    EXPECT_EQ(model->index(0, 0).data().toString(), "line 49");
    EXPECT_EQ(model->index(49, 0).data().toString(), "line 0");
}

TEST(ProgressWindow, LogKeepsBytesThatAreNotUtf8)
{
    ScriptedRunWindow window([](ScriptedRunWindow&) {});
    window.AddLog("Find in: /tmp/caf\xe9/");
    EXPECT_EQ(window.logLines().front(), "Find in: /tmp/caf\xe9/");
    EXPECT_TRUE(window.lstBackup()->model()->index(0, 0).data().toString().startsWith("Find in: /tmp/caf"));
    // The stray byte looks as it does in the source list and the date list.
    EXPECT_EQ(window.lstBackup()->model()->index(0, 0).data().toString(),
        platform::textFromBytes("Find in: /tmp/caf\xe9/"));
}

// The log list as the window shows it, with `lines` in it (newest on top),
// painted into an image; `standard` paints it with Qt's own delegate instead.
QImage paintedLog(
    const std::vector<std::string>& lines, bool standard, bool selectFirst = false, bool running = false)
{
    ScriptedRunWindow window([](ScriptedRunWindow&) {});
    for (const std::string& line : lines)
        window.AddLog(line);
    if (!running)
        window.finishRun();
    QListView* list = window.lstBackup();
    if (standard) {
        auto* plain = new QStyledItemDelegate(list);
        list->setItemDelegate(plain);
    }
    if (selectFirst)
        list->setCurrentIndex(list->model()->index(0, 0));
    list->resize(360, 160);
    return list->grab().toImage();
}

} // namespace

TEST(ProgressWindow, LogLinesLookAsTheStandardListDrawsThem)
{
    const std::vector<std::string> shortLines{ "Start:   Copy /home/user/Documents/",
        "End:     Copy /home/user/", "Folder <b>bold</b> & co", "Start:   Find Dates...",
        "A\tfolder\twith tabs", "Ordner \xc3\xa4\xc3\xb6 \xe6\x96\x87" };
    EXPECT_EQ(paintedLog(shortLines, false), paintedLog(shortLines, true));
    EXPECT_EQ(paintedLog(shortLines, false, true), paintedLog(shortLines, true, true)) << "selected row";
    EXPECT_EQ(paintedLog(shortLines, false, false, true), paintedLog(shortLines, true, false, true))
        << "during the run";

    // A line too long for its row is shortened with an ellipsis, as before.
    const std::vector<std::string> longLines{
        "Start:   Copy /home/user/a folder with a name far too long to fit into this narrow list/", "x"
    };
    EXPECT_EQ(paintedLog(longLines, false), paintedLog(longLines, true));
}
