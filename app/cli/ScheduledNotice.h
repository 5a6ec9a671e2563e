#pragma once

#include "store/RunJournal.h"

#include <iosfwd>
#include <optional>
#include <string>

struct RunSummary;

// A scheduled backup (the timer's service sets QUORVEL_SCHEDULED) has nobody
// watching its log: every one that does not end complete tells the user on
// the desktop. One that ends complete only leaves its log in the journal.

bool isScheduledRun();

// The notice's text of a backup that could not start: why, in one line.
std::string notStartedNotice(const std::string& why);

// The notice's text of a backup that ran and did not end complete: a failed
// run names up to three of the folders it left out by their real paths, then
// how many more; a stopped run and one cut short say so.
std::string notCompleteNotice(
    const RunSummary& summary, const RunVerdict& verdict, const std::optional<RunJournal>& journal);

// Sends the notice of a scheduled backup that could not start, or that ran
// and did not end complete; nothing for a run that was not scheduled. When
// no notice can be sent, says so on `err`.
void noticeNotStarted(const std::string& why, std::ostream& err);
void noticeNotComplete(const std::string& body, std::ostream& err);
