#pragma once

#include <iosfwd>

struct BackupPreview;

// Writes a backup's preview (`--backup --dry-run`) as lines of tab-separated
// fields: each folder it would store with its files and bytes, each folder
// or file it would leave out with the rule that does, the warnings, then the
// totals.
void WriteBackupPreview(const BackupPreview& preview, std::ostream& out);
