#pragma once

#include "store/RunJournal.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A restore of part of a run: some of its folders, or single files of them.
// Each folder of a run is one archive holding the files directly in it, so
// a part is a set of archives, each taken whole or for some of its files.

// One folder a run holds: its archive in the run folder and its real path.
struct RunFolder {
    std::string archive;
    std::string path; // ends in one separator
};

// The folders of a run: one for each of its archives, with its real path
// (from the run's journal where it lists the archive), and one for each
// folder the journal lists as held whose archive is not among them, so that
// asking for it is answered by what became of its archive. In path order.
std::vector<RunFolder> FoldersOfRun(
    const std::vector<std::string>& archives, const std::optional<RunJournal>& journal);

// What a restore brings back of the chosen run.
class RestorePart {
public:
    // The whole run, as a restore always was.
    RestorePart() = default;

    // The folders ticked in the window, each on its own: `ticked[i]` for
    // `folders[i]`. Every folder ticked is the whole run.
    static RestorePart Ticked(const std::vector<RunFolder>& folders, const std::vector<bool>& ticked);

    bool whole() const { return m_whole; }

    // Whether the archive is to be extracted at all.
    bool takes(const std::string& archive) const;

    // The names of the single files asked from the archive; empty when the
    // archive is taken whole (or not at all).
    std::vector<std::string> filesOf(const std::string& archive) const;

    // Whether what the run says of the folder at `path` (ending in a
    // separator) concerns what was asked: the folder, or one below a folder
    // asked with its subfolders, or the folder of a file asked.
    bool concerns(const std::string& path) const;

    // The archives of `archives` the part takes, in their order.
    std::vector<std::string> archivesIn(const std::vector<std::string>& archives) const;

    // One line a folder or file asked, for the log.
    const std::vector<std::string>& asked() const { return m_asked; }

private:
    friend struct AskedPaths;

    bool m_whole = true;
    std::map<std::string, std::set<std::string>> m_archives; // an empty set: the archive whole
    std::set<std::string> m_folders; // folders asked on their own
    std::vector<std::string> m_trees; // folders asked with every folder below them
    std::vector<std::string> m_asked;
};

// The paths a user named (`--only PATH`) read against the folders of a run:
// a PATH that is a folder of the run, or lies above folders of it, takes
// them all with their files; a PATH in a folder of the run that is none of
// its folders is a single file of that folder. Paths that are neither are
// `notInRun`, as they were given.
struct AskedPaths {
    RestorePart part;
    std::vector<std::string> notInRun;

    static AskedPaths Resolve(const std::vector<RunFolder>& folders, const std::vector<std::string>& paths);
};
