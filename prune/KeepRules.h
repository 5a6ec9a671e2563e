#pragma once

#include "store/RunJournal.h"

#include <ctime>
#include <string>
#include <vector>

// Which runs a clean-up keeps. Back from today, in local time: every run of
// the last `days` days, then for `daily` days the newest run of each day,
// then for `weekly` weeks (Monday to Sunday) the newest of each week, then
// for `monthly` months the newest of each month. Only a run that reached
// its end stands for its day, week or month; the newest complete run is
// kept whatever its age.
struct KeepRules {
    int days = 7;
    int daily = 30;
    int weekly = 26;
    int monthly = 24;
};

enum class KeepReason { Remove, NewestComplete, LastDays, Daily, Weekly, Monthly };

// One run as the rules see it: when it started, by the local calendar, and
// how it ended.
struct RunToJudge {
    std::tm started{};
    RunOutcome outcome = RunOutcome::Incomplete;
};

// Why each run stays, or that it goes; `runs` newest first, the answer in
// the same order. `today` is the local date and time now.
std::vector<KeepReason> JudgeRuns(
    const std::vector<RunToJudge>& runs, const std::tm& today, const KeepRules& rules);

// What the preview says of a run: "keep (daily)", "keep (last 7 days)",
// "keep (newest complete)", "remove".
std::string KeepWord(KeepReason reason, const KeepRules& rules);

// Days since 1970-01-01 of a calendar date (year since 1900, month 0 to 11,
// day 1 to 31), in the proleptic Gregorian calendar.
long DayNumber(const std::tm& date);
