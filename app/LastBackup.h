#pragma once

#include <string>

// The line under the main window's controls that tells when the last
// complete backup was made in the backup target, so that a user sees at a
// glance whether the backups still run.
std::string LastBackupText(const std::string& backupTarget);
