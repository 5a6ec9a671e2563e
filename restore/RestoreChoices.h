#pragma once

#include "restore/RestorePart.h"

#include <optional>
#include <string>
#include <vector>

// What a restore run asks of the user beyond message boxes: which run to
// bring back and which part of it, and a look at the archiver's report after a failed extraction.
// The restore window answers with its date dialog and the desktop's text
// viewer; a run with no window answers another way.
class RestoreChoices {
public:
    virtual ~RestoreChoices() = default;

    // Offers the run dates found, in the order given, those of runs that did
    // not reach their end (incomplete[i]) flagged; returns the date text the
    // user confirmed, or empty when none was.
    virtual std::string chooseDate(const std::vector<std::string>& dates, const std::vector<bool>& incomplete)
        = 0;

    // Asks which folders of the chosen run to bring back, once the run's
    // folders are known; none when the user thought better of it. Unless
    // asked otherwise, the whole run.
    virtual std::optional<RestorePart> choosePart(const std::vector<RunFolder>&) { return RestorePart(); }

    // Shows a text file to the user, without waiting for it.
    virtual void openTextFile(const std::string& path) = 0;
};
