#include "check/CheckRun.h"

#include "check/CheckStatus.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/Archiver.h"
#include "store/ArchiverReport.h"
#include "store/JobFiles.h"
#include "store/JobRunner.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// Overdue archives named one a line, then how many more.
constexpr std::size_t kOverdueNamed = 20;

bool sameFile(const platform::FileIdentity& a, const platform::FileIdentity& b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.modified == b.modified;
}

std::string plural(std::size_t count, const char* word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string budgetText(std::int64_t seconds)
{
    return seconds % 60 == 0 ? plural(static_cast<std::size_t>(seconds / 60), "minute")
                             : plural(static_cast<std::size_t>(seconds), "second");
}

} // namespace

CheckRun::CheckRun(RunHost& host, std::string backupTarget, std::string appFolder, CheckOptions options)
    : Run(host, std::move(appFolder))
    , m_backupTarget(std::move(backupTarget))
    , m_options(options)
{
}

std::string CheckRun::busyLogLine() const
{
    return "Error:   Another backup, restore or check is running.";
}

std::string CheckRun::stoppedLogLine(const std::exception& error) const
{
    std::string line = std::string("Error:   ") + error.what();
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

std::string CheckRun::stoppedBoxText(const std::exception& error) const
{
    return std::string(error.what()) + "\r\n\r\nThe check has stopped.";
}

void CheckRun::steps()
{
    if (m_backupTarget.empty() || !platform::folderExists(m_backupTarget))
        throw RunError("The backup target " + m_backupTarget + " cannot be found.");
    const auto deadline = platform::clock().monotonicNow() + std::chrono::seconds(m_options.budgetSeconds);
    const CheckRecord record = CheckRecord::read(m_backupTarget);
    std::vector<StoreArchive> archives = ListStoreArchives(m_backupTarget, record);
    compact(record, archives);
    const std::vector<std::size_t> order = CheckOrder(archives);
    log("Checking " + plural(archives.size(), "archive") + " in " + m_backupTarget
        + (m_options.all ? ", every one" : ", for up to " + budgetText(m_options.budgetSeconds)));

    RunProgress progress;
    progress.foldersTotal = order.size();
    for (const StoreArchive& archive : archives)
        progress.bytesTotal += archive.identity.size;
    host().progress(progress);
    for (const std::size_t index : order) {
        stopIfRequested();
        if (!checkOne(archives[index], deadline))
            break;
        ++progress.foldersDone;
        progress.bytesDone += archives[index].identity.size;
        host().progress(progress);
    }
    closing(archives);
}

bool CheckRun::checkOne(StoreArchive& archive, std::chrono::steady_clock::time_point deadline)
{
    const auto left = duration_cast<milliseconds>(deadline - platform::clock().monotonicNow()).count();
    if (!m_options.all && left <= 0) {
        m_timeUsed = true;
        return false;
    }
    const std::string path = ArchiveFilePath(m_backupTarget, archive);
    const auto before = platform::fileIdentity(path);
    if (!before || !sameFile(*before, archive.identity))
        return true; // removed or replaced since it was listed: the next check sees it as it is
    log("Testing: " + archive.holders.front().folder + " (" + archive.holders.front().runDate + ")");
    const auto began = platform::clock().monotonicNow();
    const Outcome outcome = test(path, left);
    const auto took = duration_cast<milliseconds>(platform::clock().monotonicNow() - began).count();
    if (outcome == Outcome::Unchecked) {
        stopIfRequested();
        if (!m_options.all && platform::clock().monotonicNow() >= deadline) {
            log("Time is up: " + archive.holders.front().folder + " stays unchecked.");
            m_timeUsed = true;
            return false;
        }
        return true;
    }
    const auto after = platform::fileIdentity(path);
    if (!after || !sameFile(*after, *before))
        return true; // changed while it was read: what the test saw is not the file
    const CheckedFile entry{ archive.path, *after, CheckClockNow(), outcome == Outcome::Good, took };
    if (auto written = AppendCheck(m_backupTarget, entry); !written && !m_recordWarned) {
        warn("The record of checks cannot be written, so the next check starts again: " + written.error());
        m_recordWarned = true;
    }
    archive.last = entry;
    ++m_tested;
    ++tally().done;
    if (outcome == Outcome::Damaged) {
        ++m_damagedNow;
        ++tally().failed;
    }
    return true;
}

CheckRun::Outcome CheckRun::test(const std::string& archivePath, std::int64_t msLeft)
{
    const BatchJob job{ appFolder(), TestCommandLine(appFolder(), archivePath), true };
    // A test still running when the time is up is ended where it stands; its
    // archive stays unchecked and comes first next time.
    QObject deadline;
    if (!m_options.all)
        QTimer::singleShot(static_cast<int>(std::min<std::int64_t>(msLeft, 1'000'000'000)), &deadline,
            [] { StopRunningJob(); });
    if (RunBatchJob(appFolder(), job) == JobOutcome::NotStarted)
        throw RunError("The archiver's test of " + archivePath + " did not start.");
    const auto report = platform::readFile(JobFilePath(appFolder(), kOutputFile));
    const auto status = JudgeArchiverReport(report ? *report : std::string()).exitStatus;
    if (!status)
        return Outcome::Unchecked; // ended before the archiver returned
    if (*status == 0)
        return Outcome::Good;
    // 1: the archiver read on past an error; 2: it could not read on.
    if (*status == 1 || *status == 2)
        return Outcome::Damaged;
    warn("The archiver could not test " + archivePath + " (exit status " + std::to_string(*status) + ").");
    return Outcome::Unchecked;
}

void CheckRun::compact(const CheckRecord& record, const std::vector<StoreArchive>& archives)
{
    // Every test adds a line; once the lines far outnumber the archive
    // files, the record is written anew with one line per file.
    if (record.linesRead() <= 2 * archives.size() + 256)
        return;
    std::vector<CheckedFile> kept;
    for (const StoreArchive& archive : archives)
        if (archive.last)
            kept.push_back(*archive.last);
    if (auto written = RewriteCheckRecord(m_backupTarget, kept); !written)
        warn("The record of checks cannot be written anew: " + written.error());
}

void CheckRun::closing(const std::vector<StoreArchive>& archives)
{
    const std::int64_t now = CheckClockNow();
    for (const StoreArchive& archive : archives)
        if (archive.last && !archive.last->good) {
            log(DamageLine(archive));
            m_damaged.push_back(archive.holders.front().folder);
        }
    const CheckCoverage coverage = Coverage(archives, m_options.checkDays, now);
    std::size_t named = 0;
    for (const StoreArchive& archive : archives) {
        const std::int64_t read
            = archive.last ? archive.last->checked : archive.identity.modified / 1'000'000'000;
        if (read + std::int64_t{ m_options.checkDays } * 86400 >= now || named++ >= kOverdueNamed)
            continue;
        log("Overdue: " + archive.holders.front().folder + " (" + archive.holders.front().runDate + "), "
            + (archive.last ? "last checked " : "made ") + CheckDate(read));
    }
    if (named > kOverdueNamed)
        log("Overdue: " + std::to_string(named - kOverdueNamed) + " more archives.");
    m_closingLine = plural(m_tested, "archive") + " checked, " + std::to_string(m_damaged.size())
        + " damaged; " + CoverageText(coverage, now);
    log(m_closingLine);
}
