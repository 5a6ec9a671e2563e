#include "app/DesktopNotice.h"
#include "app/MainSettings.h"
#include "app/PruneSettings.h"
#include "app/cli/Command.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Preconditions.h"
#include "app/cli/ScheduledNotice.h"
#include "app/cli/ScheduledPrune.h"
#include "platform/Clock.h"
#include "platform/TextConversion.h"
#include "prune/PruneRun.h"
#include "store/JobRunner.h"
#include "store/StoreIdentity.h"

#include <ostream>

namespace {

QCommandLineOption dryRunOption()
{
    return QCommandLineOption("dry-run");
}

void writePreview(const PrunePlan& plan, std::ostream& out)
{
    for (const std::string& line : PreviewLines(plan))
        out << platform::displayText(line) << '\n';
    out << PreviewTotal(plan) << '\n';
}

// Removes what the rules name; the status: done, or a run could not be removed.
int removeRuns(PruneRun& run, std::ostream& out)
{
    const bool started = run.run(platform::clock().localNow(),
        [&out](const std::string& line) { out << platform::displayText(line) << std::endl; });
    if (!started)
        return kExitCannotStart;
    out << run.removed() << (run.removed() == 1 ? " run removed" : " runs removed");
    if (run.failures().empty())
        out << ", " << run.bytesFreed() << " bytes freed";
    else
        out << "; " << run.failures().size() << " could not be removed";
    out << '.' << std::endl;
    return run.failures().empty() ? kExitDone : kExitFailed;
}

int prune(const CommandContext& context)
{
    MainSettings settings;
    std::string why = preconditions::settings(settings);
    if (why.empty())
        why = preconditions::folder("backup target", settings.backupTarget);
    if (why.empty())
        why = WhyStoreMissing(settings.backupTarget, StoreStateFolder());
    if (!why.empty())
        return context.cannotStart(why);
    const KeepRules rules = savedKeepRules();
    if (context.parser.isSet(dryRunOption())) {
        try {
            writePreview(PlanPrune(settings.backupTarget, rules, platform::clock().localNow()), context.out);
        } catch (const RunError& error) {
            return context.cannotStart(error.what());
        }
        context.out.flush();
        notePreviewSeen(StoreStateFolder());
        return kExitDone;
    }
    PruneRun run(settings.backupTarget, context.appFolder, rules);
    const int status = removeRuns(run, context.out);
    if (status == kExitCannotStart)
        return context.cannotStart(run.whyNotStarted());
    return status;
}

} // namespace

void runScheduledPrune(
    const std::string& appFolder, const std::string& backupTarget, std::ostream& out, std::ostream& err)
{
    if (!pruneAfterScheduledBackup(StoreStateFolder()))
        return;
    out << "Cleaning up old runs." << std::endl;
    PruneRun run(backupTarget, appFolder, savedKeepRules());
    const int status = removeRuns(run, out);
    if (status == kExitCannotStart)
        out << "The clean-up could not start: " << run.whyNotStarted() << std::endl;
    if (status == kExitDone)
        return;
    const std::string body = status == kExitCannotStart
        ? "The clean-up of old runs could not start: " + run.whyNotStarted()
        : std::to_string(run.failures().size())
            + " old runs could not be removed; the backup's log names them (journalctl --user -u "
              "quorvel-backup).";
    if (!notifyDesktop("Old backups not removed", body))
        err << "No desktop notification could be sent." << std::endl;
}

Command pruneCommand()
{
    return { QCommandLineOption("prune"), { dryRunOption() }, "--prune [--dry-run]",
        { "removes the old runs the keep rules of the settings ([Keep] Days 7,",
            "Daily 30, Weekly 26, Monthly 24) do not keep, the newest complete run",
            "never; lists every run with \"keep (rule)\" or \"remove\" and the bytes",
            "removing them frees. --dry-run only lists.",
            "Exit status: 0 done, 1 a run could not be removed,",
            "2 could not start (no settings, no backup target, the backup disk",
            "not there, another run busy)." },
        prune };
}
