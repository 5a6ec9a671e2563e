#include "prune/PruneRun.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Durability.h"
#include "platform/FileTree.h"
#include "platform/RunLock.h"
#include "store/JobRunner.h"

#include <exception>
#include <utility>

namespace {

PruneRun::RenameObserver& renameObserver()
{
    static PruneRun::RenameObserver observer;
    return observer;
}

std::string nameOf(const std::string& folder)
{
    const std::size_t slash = folder.find_last_of('/');
    return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

} // namespace

PruneRun::PruneRun(std::string backupTarget, std::string appFolder, KeepRules rules)
    : m_backupTarget(std::move(backupTarget))
    , m_appFolder(std::move(appFolder))
    , m_rules(rules)
{
}

PruneRun::RenameObserver PruneRun::setRenameObserver(RenameObserver observer)
{
    return std::exchange(renameObserver(), std::move(observer));
}

bool PruneRun::run(const std::tm& now, const Log& log)
{
    const platform::RunLock lock(RunLockFile(m_appFolder));
    if (!lock.held()) {
        m_whyNotStarted = lock.busy() ? "Another backup or restore is running with the program's folder "
                + m_appFolder + ". Wait until it has finished, then start again."
                                      : lock.error();
        return false;
    }
    PrunePlan plan;
    std::vector<std::string> going;
    try {
        plan = PlanPrune(m_backupTarget, m_rules, now);
        for (const std::string& folder : plan.removalOrder())
            if (!m_limit || m_limit->contains(folder))
                going.push_back(folder);
        std::vector<std::string> all = plan.unfinished;
        all.insert(all.end(), going.begin(), going.end());
        m_bytesFreed = BytesFreedBy(all);
    } catch (const std::exception& error) {
        m_whyNotStarted = error.what();
        return false;
    }
    // The preview first: what goes and what stays, and why.
    for (const std::string& line : PreviewLines(plan))
        log(line);
    log(PreviewTotal(plan));
    for (const std::string& hidden : plan.unfinished)
        (void)finish(hidden, "the run " + UnfinishedDate(hidden) + " (its removal was cut short)", log);
    for (const std::string& folder : going)
        if (removeOne(folder, log))
            ++m_removed;
    return true;
}

bool PruneRun::removeOne(const std::string& folder, const Log& log)
{
    const std::string date = DecodePath(nameOf(folder));
    const std::string hidden = AddBackslash(m_backupTarget) + kRemovalPrefix + nameOf(folder);
    if (const auto renamed = platform::renameEntry(folder, hidden); !renamed) {
        m_failures.push_back(date + ": " + renamed.error());
        log("Error: the run " + date + " could not be removed: " + renamed.error());
        return false;
    }
    // The hidden name must be on the disk before any of the run goes: after
    // a power cut, a half-deleted run must not come back under its own name.
    (void)platform::syncFolder(m_backupTarget);
    if (const RenameObserver& observer = renameObserver())
        observer(hidden);
    return finish(hidden, "the run " + date, log);
}

bool PruneRun::finish(const std::string& hiddenFolder, const std::string& what, const Log& log)
{
    if (const auto removed = platform::removeTree(hiddenFolder); !removed) {
        m_failures.push_back(what + ": " + removed.error());
        log("Error: " + what + " could not be removed: " + removed.error());
        return false;
    }
    log("Removed " + what);
    return true;
}
