#pragma once

#include "store/RunJournal.h"

#include <optional>
#include <string>
#include <vector>

// A folder the chosen run holds, by its record or by what lies in its run
// folder, that the restore cannot bring back.
struct LostFolder {
    std::string archive; // its archive name in the run folder
    std::string path; // its real path (from the run's journal where it has one), ending in a separator
    std::string why; // one line
};

// The folders of a run that a restore cannot bring back, in archive-name
// order: each folder the journal lists as held whose archive is not among
// `restorable` (gone, a dangling link, no plain file), and, for runs with or
// without a journal, each entry named like an archive that is no plain file
// and each count file without its archive.
std::vector<LostFolder> LostFolders(const std::string& runFolder, const std::optional<RunJournal>& journal,
    const std::vector<std::string>& restorable);

// True when the run folder holds nothing a restore could look at.
bool RunFolderEmpty(const std::string& runFolder);

// The archive names an incomplete run set out to make that its run folder
// does not hold, from the run's marker, leaving out those in `known`;
// empty for a complete run.
std::vector<std::string> MissingArchives(const std::string& runFolder,
    const std::vector<std::string>& present, const std::vector<LostFolder>& known);

// The real path of the folder of an archive: from the journal where it lists
// the archive, else the archive's name decoded; ends in a separator.
std::string FolderPathOf(const std::string& archive, const std::optional<RunJournal>& journal);
