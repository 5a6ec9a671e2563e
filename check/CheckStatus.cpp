#include "check/CheckStatus.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <exception>

namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;

// Made at: an archive never checked is due the set days after it was written.
std::int64_t lastRead(const StoreArchive& archive)
{
    return archive.last ? archive.last->checked : archive.identity.modified / 1'000'000'000;
}

std::string plural(std::size_t count, const char* word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

std::int64_t CheckClockNow()
{
    std::tm local = platform::clock().localNow();
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

std::string CheckDate(std::int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd").toStdString();
}

CheckCoverage Coverage(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now)
{
    CheckCoverage coverage;
    coverage.archives = archives.size();
    for (const StoreArchive& archive : archives) {
        if (archive.last) {
            ++coverage.checked;
            if (!archive.last->good)
                ++coverage.damaged;
            if (coverage.oldestCheck == 0 || archive.last->checked < coverage.oldestCheck)
                coverage.oldestCheck = archive.last->checked;
        }
        if (lastRead(archive) + checkDays * kDay < now)
            ++coverage.overdue;
    }
    return coverage;
}

std::string CoverageText(const CheckCoverage& coverage, std::int64_t now)
{
    if (coverage.checked < coverage.archives)
        return std::to_string(coverage.archives - coverage.checked) + " of "
            + plural(coverage.archives, "archive") + " not checked yet";
    // A check within the last day was "today"; an older one counts its days begun.
    const std::int64_t since = now - coverage.oldestCheck;
    const std::int64_t days = (since + kDay - 1) / kDay;
    if (since < kDay || coverage.archives == 0)
        return "every archive checked today";
    return "every archive checked within the last " + plural(static_cast<std::size_t>(days), "day");
}

std::string CheckStatusText(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now)
{
    if (archives.empty())
        return {};
    const CheckCoverage coverage = Coverage(archives, checkDays, now);
    if (coverage.damaged > 0)
        return plural(coverage.damaged, "archive") + " damaged (Vimblor --check names them)";
    if (coverage.overdue > 0)
        return "check overdue: " + plural(coverage.overdue, "archive") + " not read within "
            + plural(static_cast<std::size_t>(checkDays), "day");
    if (coverage.checked == coverage.archives)
        return "store checked in full " + CheckDate(coverage.oldestCheck);
    // A store not yet read in full is no news until an archive falls behind.
    return {};
}

std::string CheckStatusText(const std::string& backupTarget, int checkDays)
{
    if (backupTarget.empty() || !platform::folderExists(backupTarget))
        return {};
    try {
        return CheckStatusText(
            ListStoreArchives(backupTarget, CheckRecord::read(backupTarget)), checkDays, CheckClockNow());
    } catch (const std::exception&) {
        return {};
    }
}

std::map<std::string, std::string> RunCheckColumns(const std::vector<StoreArchive>& archives)
{
    struct Tally {
        std::size_t archives = 0, checked = 0, damaged = 0;
        std::int64_t oldest = 0;
    };
    std::map<std::string, Tally> runs;
    for (const StoreArchive& archive : archives)
        for (const ArchiveHolder& holder : archive.holders) {
            Tally& tally = runs[holder.runFolder];
            ++tally.archives;
            if (!archive.last)
                continue;
            ++tally.checked;
            tally.damaged += archive.last->good ? 0 : 1;
            if (tally.oldest == 0 || archive.last->checked < tally.oldest)
                tally.oldest = archive.last->checked;
        }
    std::map<std::string, std::string> columns;
    for (const auto& [folder, tally] : runs) {
        if (tally.damaged > 0)
            columns[folder] = std::to_string(tally.damaged) + " damaged";
        else if (tally.checked == tally.archives)
            columns[folder] = "checked " + CheckDate(tally.oldest);
        else
            columns[folder] = tally.checked == 0 ? "unchecked" : "partly checked";
    }
    return columns;
}

std::map<std::string, std::string> RunCheckColumns(const std::string& backupTarget)
{
    return RunCheckColumns(ListStoreArchives(backupTarget, CheckRecord::read(backupTarget)));
}

double TestBytesPerSecond(const std::vector<StoreArchive>& archives)
{
    // A slow USB disk reads some 30 MB a second; guessing low makes the
    // first budgets too long rather than too short.
    constexpr double kGuess = 30e6;
    double bytes = 0, millis = 0;
    for (const StoreArchive& archive : archives)
        if (archive.last && archive.last->millis > 0) {
            bytes += static_cast<double>(archive.last->identity.size);
            millis += static_cast<double>(archive.last->millis);
        }
    // A few tiny archives say more about starting the archiver than about reading.
    if (millis < 1000)
        return kGuess;
    return std::max(bytes / (millis / 1000.0), 1e5);
}

std::int64_t DailyCheckSeconds(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now)
{
    checkDays = std::max(checkDays, 1);
    const double speed = TestBytesPerSecond(archives);
    // Each archive takes what its last test took, the archiver's start
    // included; one never tested its bytes at the speed of the others, and
    // a start.
    constexpr double kStartSeconds = 0.05;
    // Seconds of tests due on each day ahead; the overdue ones today.
    std::vector<double> due(static_cast<std::size_t>(checkDays), 0.0);
    for (const StoreArchive& archive : archives) {
        const std::int64_t left = lastRead(archive) + checkDays * kDay - now;
        const auto day = static_cast<std::size_t>(std::clamp<std::int64_t>(left / kDay, 0, checkDays - 1));
        due[day] += archive.last && archive.last->millis > 0
            ? static_cast<double>(archive.last->millis) / 1000.0
            : static_cast<double>(archive.identity.size) / speed + kStartSeconds;
    }
    double most = 0, seconds = 0;
    for (std::size_t day = 0; day < due.size(); ++day) {
        seconds += due[day];
        most = std::max(most, seconds / static_cast<double>(day + 1));
    }
    return static_cast<std::int64_t>(std::ceil(most));
}

std::int64_t ScheduledCheckSeconds(const std::vector<StoreArchive>& archives, int checkDays, std::int64_t now)
{
    return std::max(kScheduledCheckSeconds, DailyCheckSeconds(archives, checkDays, now));
}
