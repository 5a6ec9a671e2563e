#include "app/cli/ScheduledNotice.h"

#include "app/DesktopNotice.h"
#include "store/Run.h"

#include <QtGlobal>

#include <algorithm>
#include <ostream>

namespace {

const char kJournalHint[] = " Its log is in the journal (journalctl --user -u quorvel-backup).";

// A box's text of several lines as one line.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
            continue;
        }
        line += c;
    }
    return line;
}

// A folder as the user names it: without the separator the run keeps at its end.
std::string shownFolder(const std::string& path)
{
    return path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
}

void send(const std::string& summary, const std::string& body, std::ostream& err)
{
    if (!notifyDesktop(summary, body))
        err << "No desktop notification could be sent." << std::endl;
}

} // namespace

bool isScheduledRun()
{
    return qEnvironmentVariableIsSet("QUORVEL_SCHEDULED");
}

std::string notStartedNotice(const std::string& why)
{
    return "The scheduled backup did not start: " + oneLine(why);
}

std::string notCompleteNotice(
    const RunSummary& summary, const RunVerdict& verdict, const std::optional<RunJournal>& journal)
{
    if (summary.stopped || verdict.outcome == RunOutcome::Stopped)
        return std::string("The scheduled backup was stopped before its end.") + kJournalHint;
    if (verdict.outcome == RunOutcome::Incomplete)
        return std::string("The scheduled backup was cut short and did not reach its end.") + kJournalHint;
    const int failed = std::max(verdict.failed, summary.failed);
    if (failed == 0)
        return std::string("The scheduled backup ended with errors.") + kJournalHint;
    std::string body
        = "The scheduled backup left out " + std::to_string(failed) + (failed == 1 ? " folder" : " folders");
    if (journal && !journal->failed.empty()) {
        constexpr std::size_t kNamed = 3;
        const std::size_t named = std::min(journal->failed.size(), kNamed);
        body += ": ";
        for (std::size_t i = 0; i < named; ++i)
            body += (i == 0 ? "" : ", ") + shownFolder(journal->failed[i].path);
        const std::size_t listed = std::max(journal->failed.size(), static_cast<std::size_t>(failed));
        if (listed > named)
            body += " and " + std::to_string(listed - named) + " more";
    }
    return body + "." + kJournalHint;
}

void noticeNotStarted(const std::string& why, std::ostream& err)
{
    if (isScheduledRun())
        send("Backup not started", notStartedNotice(why), err);
}

void noticeNotComplete(const std::string& body, std::ostream& err)
{
    if (isScheduledRun())
        send("Backup not complete", body, err);
}
