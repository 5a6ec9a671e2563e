#pragma once

#include "prune/PrunePlan.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Removes the runs a clean-up plan names. It holds the run lock as a backup
// does, so that no backup or restore works in the store while runs go, and
// plans again under the lock: what it removes is what the rules say now.
// Each run is first renamed to a hidden name, and that name written to the
// disk, then deleted: a clean-up cut short leaves a hidden folder that the
// next one finishes, never a part of a run that looks like a run.
class PruneRun {
public:
    using Log = std::function<void(const std::string& line)>;

    PruneRun(std::string backupTarget, std::string appFolder, KeepRules rules);

    // Only these run folders may go (those a preview the user saw said
    // would go); every run the rules name when none are given.
    void limitTo(std::set<std::string> folders) { m_limit = std::move(folders); }

    // Carries out the clean-up as of the local time `now`, writing what it
    // does to `log`. False when it could not start (another run holds the
    // lock, the target cannot be read): whyNotStarted() says why.
    bool run(const std::tm& now, const Log& log);

    const std::string& whyNotStarted() const { return m_whyNotStarted; }
    // The runs that could not be removed, each with why, once run() is over.
    const std::vector<std::string>& failures() const { return m_failures; }
    std::size_t removed() const { return m_removed; }
    // What the removal freed, exact when every run went (no failures): a run
    // partly deleted has freed an unknown part of its bytes.
    std::uint64_t bytesFreed() const { return m_bytesFreed; }

    // Called with the hidden name of each run once it is renamed and before
    // it is deleted; none while empty. Puts `observer` in place of the one
    // before, which it returns.
    using RenameObserver = std::function<void(const std::string& hiddenFolder)>;
    static RenameObserver setRenameObserver(RenameObserver observer);

private:
    bool removeOne(const std::string& folder, const Log& log);
    bool finish(const std::string& hiddenFolder, const std::string& what, const Log& log);

    std::string m_backupTarget;
    std::string m_appFolder;
    KeepRules m_rules;
    std::optional<std::set<std::string>> m_limit;
    std::string m_whyNotStarted;
    std::vector<std::string> m_failures;
    std::size_t m_removed = 0;
    std::uint64_t m_bytesFreed = 0;
};
