#pragma once

#include <iosfwd>
#include <string>

// The clean-up that follows a scheduled backup that reached its end, when
// the user allows it and has seen a preview of what it removes. Its log
// follows the backup's; a run that could not be removed is told on the
// desktop, and the backup's exit status stays its own.
void runScheduledPrune(
    const std::string& appFolder, const std::string& backupTarget, std::ostream& out, std::ostream& err);
