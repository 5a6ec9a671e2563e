#include "app/cli/BackupPreviewLines.h"
#include "app/cli/Command.h"
#include "app/cli/CommandLine.h"
#include "app/cli/ConsoleHost.h"
#include "app/cli/JobsOption.h"
#include "app/cli/Preconditions.h"
#include "app/cli/ScheduledCheck.h"
#include "app/cli/ScheduledNotice.h"
#include "app/cli/ScheduledPrune.h"
#include "backup/BackupPreview.h"
#include "backup/BackupRun.h"
#include "platform/ChangeTimes.h"
#include "store/JobRunner.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/RunLogs.h"
#include "store/StoreIdentity.h"

#include <utility>

namespace {

QCommandLineOption fullOption()
{
    return QCommandLineOption("full");
}

// Shared by name with the commands that also look before they act.
QCommandLineOption dryRunOption()
{
    return QCommandLineOption("dry-run");
}

// Why the backup cannot start, before anything is made, or empty.
std::string whyNotStarting(const std::string& appFolder, MainSettings& settings)
{
    std::string why = preconditions::settings(settings);
    if (why.empty())
        why = preconditions::folder("backup target", settings.backupTarget);
    if (why.empty() && settings.sources.empty())
        why = "No source folder is set.";
    if (why.empty())
        why = preconditions::archiver(appFolder);
    return why;
}

// The status of a backup that ran: complete only when its run folder says
// so, whatever its log said on the way.
int backupStatus(int status, const BackupRun& run)
{
    if (status != kExitDone || run.RunFolder.empty())
        return status;
    return ReadRunVerdict(run.RunFolder).outcome == RunOutcome::Complete ? kExitDone : kExitFailed;
}

int backup(const CommandContext& context)
{
    MainSettings settings;
    const auto refuse = [&context](const std::string& why, const std::string& target) {
        // The main window tells the last backup by its kept log, also one
        // the timer tried while the disk was not there.
        if (!target.empty() && !context.parser.isSet(dryRunOption()))
            RunLogWriter(StoreStateFolder(), target, platform::wallClockNanoseconds())
                .line(ErrorLogLine(why));
        noticeNotStarted(why, context.err);
        return context.cannotStart(why);
    };
    if (const std::string why = whyNotStarting(context.appFolder, settings); !why.empty())
        return refuse(why, settings.backupTarget);
    settings.fullBackup = settings.fullBackup || context.parser.isSet(fullOption());
    // A mistyped option is the caller's to see, not a notice on the desktop.
    if (const std::string why = readJobsOption(context, settings.jobs); !why.empty())
        return context.cannotStart(why);
    const SettingsFields fields(std::move(settings));
    ConsoleHost host(context.out, AnotherRunText(context.appFolder));
    BackupRun run(host, fields, context.appFolder);
    // The run would say the same in a box and count it as a failure; a
    // backup that must not start is one that could not start.
    if (const std::string why = run.whyCannotStart(); !why.empty())
        return refuse(why, fields.backupTarget());
    if (context.parser.isSet(dryRunOption())) {
        WriteBackupPreview(PreviewBackup(fields, context.appFolder), context.out);
        return kExitDone;
    }
    const int status = backupStatus(runToEnd(run, host), run);
    if (isScheduledRun() && !run.RunFolder.empty() && ReachedItsEnd(ReadRunVerdict(run.RunFolder))) {
        runScheduledPrune(context.appFolder, fields.backupTarget(), context.out, context.err);
        runScheduledCheck(context.appFolder, fields.backupTarget(), context.out, context.err);
    }
    if (status == kExitCannotStart) {
        noticeNotStarted(host.busyText(), context.err);
    } else if (status != kExitDone) {
        const RunVerdict verdict
            = run.RunFolder.empty() ? RunVerdict{ RunOutcome::Incomplete, 0 } : ReadRunVerdict(run.RunFolder);
        const auto journal = run.RunFolder.empty() ? std::nullopt : ReadRunJournal(run.RunFolder);
        noticeNotComplete(notCompleteNotice(run.summary(), verdict, journal), context.err);
    }
    return status;
}

} // namespace

Command backupCommand()
{
    return { QCommandLineOption("backup"), { fullOption(), dryRunOption(), jobsOption() },
        "--backup [--full] [--dry-run] [--jobs J]",
        { "one backup of the saved source folders into the saved backup target;",
            "--full compresses every folder again rather than taking over",
            "the unchanged ones of the previous complete run; --jobs J runs",
            "J archivers at once (default: one for each processor).",
            "--dry-run writes nothing: lists each folder it would store with its",
            "files and bytes, each folder or file it would leave out and why, the totals.",
            "Exit status: 0 complete, 1 not complete (failed N, stopped, cut short),",
            "2 could not start (no settings, no archiver, a folder missing,",
            "a source folder that is the backup target, another run busy)." },
        backup };
}
