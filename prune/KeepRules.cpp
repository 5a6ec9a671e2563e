#include "prune/KeepRules.h"

#include "store/RunList.h"

#include <map>
#include <optional>

namespace {

// The Monday of the week a day lies in; 1970-01-01 was a Thursday.
long weekOf(long day)
{
    const long fromMonday = ((day + 3) % 7 + 7) % 7;
    return day - fromMonday;
}

long monthOf(const std::tm& date)
{
    return (static_cast<long>(date.tm_year) + 1900) * 12 + date.tm_mon;
}

// The month (year * 12 + month from 0) of a day number: the calendar date
// back from the count of days, years again counted from March.
long monthOfDay(long day)
{
    day += 719468;
    const long era = (day >= 0 ? day : day - 146096) / 146097;
    const long dayOfEra = day - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long fromMarch = (5 * dayOfYear + 2) / 153;
    const long month = fromMarch < 10 ? fromMarch + 3 : fromMarch - 9; // 1 to 12
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return year * 12 + month - 1;
}

// A period of the rules: the runs in it, by the bucket each falls in.
struct Period {
    KeepReason reason;
    std::map<long, bool> taken; // buckets that already have their run
};

} // namespace

long DayNumber(const std::tm& date)
{
    // Days from the civil date, counting years from March so that the leap
    // day comes last.
    long year = static_cast<long>(date.tm_year) + 1900;
    const long month = date.tm_mon + 1;
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + date.tm_mday - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::vector<KeepReason> JudgeRuns(
    const std::vector<RunToJudge>& runs, const std::tm& today, const KeepRules& rules)
{
    const long now = DayNumber(today);
    // Where each period begins, going back: the first day of the daily
    // period, the Monday of the oldest week, the oldest month.
    const long dailyStart = now - rules.days - rules.daily + 1;
    const long weeklyStart = rules.weekly > 0 ? weekOf(dailyStart - 1) - 7L * (rules.weekly - 1) : dailyStart;
    const long lastMonthBeforeWeeks = monthOfDay(weeklyStart - 1);
    const long monthlyStart = lastMonthBeforeWeeks - rules.monthly + 1;

    std::vector<KeepReason> reasons(runs.size(), KeepReason::Remove);
    std::optional<std::size_t> newestComplete;
    Period daily{ KeepReason::Daily, {} };
    Period weekly{ KeepReason::Weekly, {} };
    Period monthly{ KeepReason::Monthly, {} };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunToJudge& run = runs[i];
        const long day = DayNumber(run.started);
        if (!newestComplete && run.outcome == RunOutcome::Complete) {
            newestComplete = i;
            reasons[i] = KeepReason::NewestComplete;
        }
        // A run from after today (the clock was set back) is as new as today's.
        if (day > now - rules.days) {
            if (reasons[i] == KeepReason::Remove)
                reasons[i] = KeepReason::LastDays;
            continue;
        }
        // A run cut short, or stopped, holds only part of what it was given:
        // it never stands for its day, week or month.
        if (!ReachedItsEnd(RunVerdict{ run.outcome, 0 }))
            continue;
        Period* period = nullptr;
        long bucket = 0;
        if (day >= dailyStart) {
            period = &daily;
            bucket = day;
        } else if (day >= weeklyStart) {
            period = &weekly;
            bucket = weekOf(day);
        } else if (monthOf(run.started) >= monthlyStart) {
            period = &monthly;
            bucket = monthOf(run.started);
        }
        // The newest run of its bucket comes first: the runs are newest first.
        if (period && !period->taken[bucket]) {
            period->taken[bucket] = true;
            if (reasons[i] == KeepReason::Remove)
                reasons[i] = period->reason;
        }
    }
    return reasons;
}

std::string KeepWord(KeepReason reason, const KeepRules& rules)
{
    switch (reason) {
    case KeepReason::NewestComplete:
        return "keep (newest complete)";
    case KeepReason::LastDays:
        return "keep (last " + std::to_string(rules.days) + (rules.days == 1 ? " day)" : " days)");
    case KeepReason::Daily:
        return "keep (daily)";
    case KeepReason::Weekly:
        return "keep (weekly)";
    case KeepReason::Monthly:
        return "keep (monthly)";
    case KeepReason::Remove:
        break;
    }
    return "remove";
}
