#pragma once

#include "prune/KeepRules.h"
#include "store/RunList.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// What a clean-up of a backup target would do: each run with the rule that
// keeps it or the word that it goes, and the bytes removing them frees.

struct PlannedRun {
    StoredRun run;
    KeepReason reason = KeepReason::Remove;
    bool removed() const { return reason == KeepReason::Remove; }
};

struct PrunePlan {
    KeepRules rules;
    std::vector<PlannedRun> runs; // newest first, as --list shows them
    // Runs a clean-up had renamed to their hidden name and not yet deleted
    // when it was cut short: the next one finishes them. Full paths.
    std::vector<std::string> unfinished;
    // Exactly what the removal frees: each run folder and folder in it, and
    // each file whose every name lies in what is removed; a file that a run
    // that stays holds too, or that has another name elsewhere, frees nothing.
    std::uint64_t bytesFreed = 0;

    std::size_t removedCount() const;
    // The run folders to remove, in the order they go: runs that did not end
    // complete first (a clean-up cut short has then taken the least useful
    // ones), then the oldest first.
    std::vector<std::string> removalOrder() const;
};

// The hidden name a run folder is given before it is deleted, so that a
// removal cut short never leaves a part of a run that looks like a run.
inline constexpr char kRemovalPrefix[] = ".removing-";

// Plans the clean-up of the target as of the local time `now`. Throws
// RunError when the target or a run to remove cannot be read.
PrunePlan PlanPrune(const std::string& backupTarget, const KeepRules& rules, const std::tm& now);

// The bytes removing these folders frees, counted as the plan counts them.
// Throws RunError when one cannot be read.
std::uint64_t BytesFreedBy(const std::vector<std::string>& folders);

// The plan's lines for a preview, one per run: date, outcome, and "keep
// (rule)" or "remove", separated by tabs; then the total.
std::vector<std::string> PreviewLines(const PrunePlan& plan);

// The date of the run a removal cut short was removing, from its hidden name.
std::string UnfinishedDate(const std::string& hiddenFolder);

// "Removing 3 runs frees 123456 bytes." or "No run to remove."
std::string PreviewTotal(const PrunePlan& plan);
