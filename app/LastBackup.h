#pragma once

#include <string>

struct StoredRun;

// The main window's word on the backups in the backup target, for its
// status line: how the last run ended, so that a user sees at a glance
// whether the backups still run and hold everything.

// "complete", "2 folders failed", "stopped" or "did not reach its end".
std::string RunOutcomeText(const StoredRun& run);

// "Last backup: <date>, <outcome>" for the newest run; a newest run that did
// not reach its end also names the newest one that did.
std::string LastBackupText(const std::string& backupTarget);

// What keeps a backup from this target, in the line's words, or empty: the
// disk that held the store is not there (see WhyStoreMissing), or the
// target folder is not there at all.
std::string TargetTroubleText(const std::string& backupTarget, const std::string& stateFolder);

// How the last backup into the target went, and the kept log that tells it
// (see RunLogs).
struct LastRun {
    // LastBackupText, or the target's trouble; a backup tried after the
    // newest run that made no run folder (the disk was not there at the
    // time, another run was busy) is added with why it did not start.
    std::string text;
    std::string logPath; // empty when no log of that backup is kept
};
LastRun LastRunOf(const std::string& backupTarget, const std::string& stateFolder);
