// Which runs the keep rules name, day by day, week by week (from Monday) and
// month by month back from today, and which run stands for each: the newest
// that reached its end.
#include "prune/KeepRules.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testsupport::localTime;

RunToJudge at(int year, int month, int day, int hour, RunOutcome outcome = RunOutcome::Complete)
{
    return { localTime(year, month, day, hour, 0, 0), outcome };
}

// Today is Wednesday 2026-12-09, 20:00 local time.
const std::tm kToday = localTime(2026, 12, 9, 20, 0, 0);

std::vector<KeepReason> judge(const std::vector<RunToJudge>& runs, KeepRules rules = {})
{
    return JudgeRuns(runs, kToday, rules);
}

TEST(KeepRules, DayNumbersCountCalendarDaysAcrossMonthsYearsAndLeapDays)
{
    EXPECT_EQ(DayNumber(localTime(1970, 1, 1, 0, 0, 0)), 0);
    EXPECT_EQ(DayNumber(localTime(2024, 3, 1, 0, 0, 0)) - DayNumber(localTime(2024, 2, 28, 23, 0, 0)), 2);
    EXPECT_EQ(DayNumber(localTime(2025, 3, 1, 0, 0, 0)) - DayNumber(localTime(2025, 2, 28, 0, 0, 0)), 1);
    EXPECT_EQ(DayNumber(localTime(2027, 1, 1, 0, 0, 0)) - DayNumber(localTime(2026, 12, 31, 0, 0, 0)), 1);
    EXPECT_EQ(DayNumber(localTime(2000, 1, 1, 0, 0, 0)), 10957);
}

TEST(KeepRules, EveryRunOfTheLastDaysStaysWhateverItsOutcomeAndTheNewestCompleteStaysAtAnyAge)
{
    const std::vector<RunToJudge> runs = {
        at(2026, 12, 9, 19, RunOutcome::Incomplete),
        at(2026, 12, 9, 8, RunOutcome::Failed),
        at(2026, 12, 3, 23, RunOutcome::Stopped), // the seventh day back
        at(2026, 12, 2, 23, RunOutcome::Incomplete), // the eighth: a daily run, which it cannot be
        at(2021, 6, 1, 12), // the only complete run, five years old
        at(2021, 5, 1, 12),
    };
    EXPECT_EQ(judge(runs),
        (std::vector<KeepReason>{ KeepReason::LastDays, KeepReason::LastDays, KeepReason::LastDays,
            KeepReason::Remove, KeepReason::NewestComplete, KeepReason::Remove }));
}

TEST(KeepRules, EachDayKeepsItsNewestRunThatReachedItsEndAndNoRunCutShort)
{
    const std::vector<RunToJudge> runs = {
        at(2026, 12, 9, 12), // newest complete, inside the last days
        at(2026, 12, 1, 22, RunOutcome::Incomplete), // never a day's run
        at(2026, 12, 1, 20, RunOutcome::Failed), // reached its end: the day's run
        at(2026, 12, 1, 8),
        at(2026, 11, 30, 23, RunOutcome::Stopped),
        at(2026, 11, 30, 7),
    };
    EXPECT_EQ(judge(runs),
        (std::vector<KeepReason>{ KeepReason::NewestComplete, KeepReason::Remove, KeepReason::Daily,
            KeepReason::Remove, KeepReason::Remove, KeepReason::Daily }));
}

TEST(KeepRules, WeeksBeginOnMondayAndFollowTheDailyDaysBackThenMonthsFollowTheWeeks)
{
    // Days 1 and daily 2: today and the two days before stand alone; then
    // two weeks, then two months.
    const KeepRules rules{ 1, 2, 2, 2 };
    const std::vector<RunToJudge> runs = {
        at(2026, 12, 9, 12), // today
        at(2026, 12, 7, 12), // Monday: the daily period's last day
        at(2026, 12, 6, 12), // Sunday: the week of Nov 30, its newest
        at(2026, 11, 30, 12), // Monday of that week
        at(2026, 11, 29, 12), // Sunday: the week of Nov 23, the second and last week
        at(2026, 11, 23, 9), // the same week, older
        at(2026, 11, 22, 12), // the month of November, its newest left
        at(2026, 11, 2, 12), at(2026, 10, 31, 12), // October: the second month
        at(2026, 9, 30, 12), // September: past every period
    };
    EXPECT_EQ(JudgeRuns(runs, kToday, rules),
        (std::vector<KeepReason>{ KeepReason::NewestComplete, KeepReason::Daily, KeepReason::Weekly,
            KeepReason::Remove, KeepReason::Weekly, KeepReason::Remove, KeepReason::Monthly,
            KeepReason::Remove, KeepReason::Monthly, KeepReason::Remove }));
}

TEST(KeepRules, APeriodOfNoLengthIsLeftOutAndTheNextFollowsOnAtOnce)
{
    const KeepRules rules{ 0, 0, 0, 3 };
    const std::vector<RunToJudge> runs = {
        at(2026, 12, 9, 12, RunOutcome::Failed), // this month's newest that reached its end
        at(2026, 12, 8, 12),
        at(2026, 11, 2, 12),
        at(2026, 10, 2, 12),
        at(2026, 9, 2, 12),
    };
    EXPECT_EQ(JudgeRuns(runs, kToday, rules),
        (std::vector<KeepReason>{ KeepReason::Monthly, KeepReason::NewestComplete, KeepReason::Monthly,
            KeepReason::Monthly, KeepReason::Remove }));
}

TEST(KeepRules, ThePreviewSaysWhichRuleKeepsARun)
{
    const KeepRules rules;
    EXPECT_EQ(KeepWord(KeepReason::LastDays, rules), "keep (last 7 days)");
    EXPECT_EQ(KeepWord(KeepReason::Daily, rules), "keep (daily)");
    EXPECT_EQ(KeepWord(KeepReason::Weekly, rules), "keep (weekly)");
    EXPECT_EQ(KeepWord(KeepReason::Monthly, rules), "keep (monthly)");
    EXPECT_EQ(KeepWord(KeepReason::NewestComplete, rules), "keep (newest complete)");
    EXPECT_EQ(KeepWord(KeepReason::Remove, rules), "remove");
}

} // namespace
