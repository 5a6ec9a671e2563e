#include "store/RunList.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/JobRunner.h"
#include "store/RunRecord.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

// The start a run recorded: its journal, or the start record of runs made
// before there was a journal.
std::optional<std::int64_t> recordedStart(const std::string& runFolder)
{
    if (auto journal = ReadRunJournal(runFolder))
        return journal->started;
    if (auto record = ReadRunRecord(runFolder))
        return record->started;
    return std::nullopt;
}

} // namespace

std::vector<StoredRun> ListRuns(const std::string& backupTarget)
{
    const std::string top = AddBackslash(backupTarget);
    auto names = platform::listFolder(top, true);
    if (!names)
        throw RunError("The backup target cannot be listed: " + names.error());
    std::vector<StoredRun> runs;
    for (const std::string& name : *names) {
        std::string date = DecodePath(name);
        // A run made under other regional settings than today's is still a
        // run: every setting the machine has may read its name.
        const auto named = platform::parseDateText(date);
        if (!named)
            continue;
        StoredRun run;
        run.folder = top + name;
        run.date = std::move(date);
        run.started = static_cast<std::int64_t>(*named) * kNanosecondsPerSecond;
        if (platform::folderExists(run.folder)) {
            if (auto started = recordedStart(run.folder)) {
                run.started = *started;
                run.recorded = true;
            }
            run.verdict = ReadRunVerdict(run.folder);
        }
        runs.push_back(std::move(run));
    }
    // Name order first, so that runs of the same moment keep one order.
    std::sort(
        runs.begin(), runs.end(), [](const StoredRun& a, const StoredRun& b) { return a.folder < b.folder; });
    std::stable_sort(runs.begin(), runs.end(),
        [](const StoredRun& a, const StoredRun& b) { return a.started > b.started; });
    return runs;
}

std::optional<StoredRun> NewestEndedRun(const std::vector<StoredRun>& runs)
{
    const auto ended = std::find_if(
        runs.begin(), runs.end(), [](const StoredRun& run) { return ReachedItsEnd(run.verdict); });
    if (ended == runs.end())
        return std::nullopt;
    return *ended;
}
