#pragma once

#include <iosfwd>
#include <string>

struct CheckCoverage;
class CheckRun;

// The check that follows a scheduled backup that reached its end: five
// minutes, more when archives fall behind the days set, and a desktop
// notice when it finds damage. Its log follows the backup's.
void runScheduledCheck(
    const std::string& appFolder, const std::string& backupTarget, std::ostream& out, std::ostream& err);

// The notice's text of a check that knows of damaged archives: how many,
// and up to three of their folders.
std::string damageNotice(const CheckRun& run);

// Sends the notice of damage; says so on `err` when none can be sent.
void noticeDamage(const CheckRun& run, std::ostream& err);
