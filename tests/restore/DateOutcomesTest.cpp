// The date dialog of a real restore window names how each run ended, as
// `--list` does, in the order the runs started.
#include "platform/Clock.h"
#include "platform/TextConversion.h"
#include "restore/windows/frmUnBackup.h"
#include "restore/windows/frmUnBackupSelectDate.h"
#include "store/RunJournal.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"
#include "tests/support/FakeFields.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowDriving.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <ctime>

namespace testsupport {
namespace {

enum class Ends { Unrecorded, Complete, Failed, Stopped, CutShort };

// A run named after a day in December 2026 whose record says it started on
// `startedDay`.
std::string makeRun(const std::string& target, int day, Ends ends, int startedDay, int failed = 0)
{
    const std::string date = dateText(2026, 12, day, 21, 0, 0);
    const std::string runFolder = RunFolderPath(target, date);
    makeDirs(runFolder);
    if (ends == Ends::Unrecorded)
        return date;
    std::tm started = localTime(2026, 12, startedDay, 21, 0, 0);
    RunJournalWriter journal(runFolder);
    EXPECT_TRUE(journal.begin(std::int64_t{ std::mktime(&started) } * 1'000'000'000, "-mx5", "machine"));
    if (ends == Ends::Stopped) {
        EXPECT_TRUE(journal.stopped());
    }
    if (ends == Ends::Stopped || ends == Ends::CutShort) {
        EXPECT_TRUE(MarkRunIncomplete(runFolder, { "a.7z" }));
    } else {
        EXPECT_TRUE(journal.end(failed));
    }
    return date;
}

TEST(DateOutcomes, EachRunShowsHowItEndedNewestStartFirst)
{
    ScriptedMessageBoxes boxes;
    TempDir dir;
    ScopedAppFolder app;
    FakeFields fields;
    fields.to = dir / "target";
    fields.unBackupTo = dir / "restore";
    makeDirs(fields.unBackupTo);
    const std::string unrecorded = makeRun(fields.to, 1, Ends::Unrecorded, 0);
    const std::string failed = makeRun(fields.to, 9, Ends::Failed, 2, 3);
    const std::string stopped = makeRun(fields.to, 3, Ends::Stopped, 3);
    const std::string complete = makeRun(fields.to, 4, Ends::Complete, 4);
    const std::string cutShort = makeRun(fields.to, 5, Ends::CutShort, 5);

    std::vector<std::string> shown;
    frmUnBackup window(fields, app.path());
    whenDateDialogOpens(&window, [&shown](frmUnBackupSelectDate& dialog) {
        for (int row = 0; row < dialog.lstDate()->count(); ++row)
            shown.push_back(platform::bytesFromText(dialog.lstDate()->item(row)->text()));
        dialog.cmdCancel_Click();
    });
    ASSERT_TRUE(runToEnd(window));
    const std::vector<std::string> expected{ cutShort + "\n    incomplete", complete + "\n    complete",
        stopped + "\n    stopped", failed + "\n    failed 3", unrecorded + "\n    complete" };
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(window.restoreRun().SelectedDate, "");
}

} // namespace
} // namespace testsupport
