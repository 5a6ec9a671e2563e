#include "prune/PrunePlan.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileTree.h"
#include "store/JobRunner.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

namespace {

// The local date and time a run started: the moment its name names, which
// is the local time it was made at, as the user reads it.
std::tm localStart(const StoredRun& run)
{
    if (const auto named = platform::parseDateText(run.date))
        return platform::localCalendar(*named);
    return platform::localCalendar(static_cast<std::time_t>(run.started / 1'000'000'000));
}

} // namespace

std::uint64_t BytesFreedBy(const std::vector<std::string>& folders)
{
    struct Names {
        std::uint64_t inside = 0;
        std::uint64_t links = 0;
        std::uint64_t size = 0;
    };
    std::uint64_t bytes = 0;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Names> files;
    for (const std::string& folder : folders) {
        auto entries = platform::listTree(folder);
        if (!entries)
            throw RunError(entries.error());
        for (const platform::TreeEntry& entry : *entries) {
            if (entry.folder) {
                bytes += entry.size;
                continue;
            }
            Names& names = files[{ entry.device, entry.inode }];
            ++names.inside;
            names.links = entry.links;
            names.size = entry.size;
        }
    }
    for (const auto& [identity, names] : files)
        if (names.inside >= names.links)
            bytes += names.size;
    return bytes;
}

std::size_t PrunePlan::removedCount() const
{
    return static_cast<std::size_t>(
        std::count_if(runs.begin(), runs.end(), [](const PlannedRun& run) { return run.removed(); }));
}

std::vector<std::string> PrunePlan::removalOrder() const
{
    std::vector<std::string> first;
    std::vector<std::string> then;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (!run->removed())
            continue;
        (run->run.verdict.outcome == RunOutcome::Complete ? then : first).push_back(run->run.folder);
    }
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

PrunePlan PlanPrune(const std::string& backupTarget, const KeepRules& rules, const std::tm& now)
{
    PrunePlan plan;
    plan.rules = rules;
    std::vector<RunToJudge> judged;
    for (StoredRun& run : ListRuns(backupTarget)) {
        judged.push_back({ localStart(run), run.verdict.outcome });
        plan.runs.push_back({ std::move(run), KeepReason::Remove });
    }
    const std::vector<KeepReason> reasons = JudgeRuns(judged, now, rules);
    for (std::size_t i = 0; i < reasons.size(); ++i)
        plan.runs[i].reason = reasons[i];

    const std::string top = AddBackslash(backupTarget);
    if (auto names = platform::listAllNames(top)) {
        for (const std::string& name : *names)
            if (name.starts_with(kRemovalPrefix))
                plan.unfinished.push_back(top + name);
    }
    std::vector<std::string> going = plan.unfinished;
    for (const PlannedRun& run : plan.runs)
        if (run.removed())
            going.push_back(run.run.folder);
    plan.bytesFreed = BytesFreedBy(going);
    return plan;
}

std::vector<std::string> PreviewLines(const PrunePlan& plan)
{
    std::vector<std::string> lines;
    for (const PlannedRun& run : plan.runs)
        lines.push_back(
            run.run.date + "\t" + OutcomeWord(run.run.verdict) + "\t" + KeepWord(run.reason, plan.rules));
    // A run half removed is no run any more; it is named so that the user
    // sees where the bytes come from.
    for (const std::string& folder : plan.unfinished)
        lines.push_back(UnfinishedDate(folder) + "\tincomplete\tremove (cut short)");
    return lines;
}

std::string UnfinishedDate(const std::string& hiddenFolder)
{
    const std::string name = hiddenFolder.substr(hiddenFolder.find_last_of('/') + 1);
    return DecodePath(name.substr(std::string_view(kRemovalPrefix).size()));
}

std::string PreviewTotal(const PrunePlan& plan)
{
    const std::size_t count = plan.removedCount();
    std::string text;
    if (count == 0 && plan.unfinished.empty())
        return "No run to remove.";
    if (count > 0)
        text = "Removing " + std::to_string(count) + (count == 1 ? " run" : " runs");
    if (!plan.unfinished.empty())
        text += (text.empty() ? "Finishing " : " and finishing ") + std::to_string(plan.unfinished.size())
            + (plan.unfinished.size() == 1 ? " removal" : " removals") + " cut short";
    return text + " frees " + std::to_string(plan.bytesFreed) + " bytes.";
}
