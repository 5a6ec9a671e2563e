#pragma once

#include "check/StoreArchives.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the record of checks says about a store as a whole: how much of it
// was read when, what is damaged, what is overdue, and how long the daily
// check must be to keep every archive read within the days the user set.

// Every archive is to be read again within this many days by default
// (settings: [Options] CheckDays).
inline constexpr int kDefaultCheckDays = 30;
// A scheduled check takes at most this long while the store keeps up.
inline constexpr std::int64_t kScheduledCheckSeconds = 5 * 60;

// Now, by the program's clock (which a test may set), in seconds since 1970.
std::int64_t CheckClockNow();

// The date of a moment as the check's texts give it: "2026-12-07", local time.
std::string CheckDate(std::int64_t seconds);

struct CheckCoverage {
    std::size_t archives = 0; // distinct archive files
    std::size_t checked = 0; // those checked as they are now
    std::size_t damaged = 0; // those whose last check found them damaged
    std::size_t overdue = 0; // not read within the days set (since their last check, or since made)
    std::int64_t oldestCheck = 0; // the longest ago any of the checked ones was checked
};

CheckCoverage Coverage(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now);

// "every archive checked within the last 23 days", "every archive checked
// today", or "12 of 312 archives not checked yet".
std::string CoverageText(const CheckCoverage& coverage, std::int64_t now);

// The line of the main window: "store checked in full 2026-12-01", "2
// archives damaged", "check overdue: 4 archives not read within 30 days",
// empty while the store was never read in full and nothing is overdue, or when the target
// holds no archive or cannot be read.
std::string CheckStatusText(const std::string& backupTarget, int checkDays = kDefaultCheckDays);
std::string CheckStatusText(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now);

// The `--list` column of every run folder (by its path): "checked
// 2026-12-07" (when the longest ago of its archives was checked), "partly
// checked", "unchecked" or "N damaged".
std::map<std::string, std::string> RunCheckColumns(const std::string& backupTarget);
std::map<std::string, std::string> RunCheckColumns(const std::vector<StoreArchive>& archives);

// How many bytes a second the recorded tests read; a cautious guess when
// none were timed.
double TestBytesPerSecond(const std::vector<StoreArchive>& archives);

// The time a daily check needs so that every archive is read within
// `checkDays` days of its last reading (or of being made): the most, over
// the days ahead, of the bytes due by then over the days there are to read
// them. Overdue archives are due today.
std::int64_t DailyCheckSeconds(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now);

// A scheduled check's budget: five minutes, more when archives fall behind.
std::int64_t ScheduledCheckSeconds(
    const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now);
