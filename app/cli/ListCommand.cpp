#include "app/MainSettings.h"
#include "app/cli/Command.h"
#include "app/cli/Preconditions.h"
#include "check/CheckStatus.h"
#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/TextConversion.h"
#include "restore/RestoreSteps.h"
#include "store/RunList.h"

#include <ostream>

namespace {

// One line a run, newest first by when it started, whatever regional
// setting its name was made under: its date as the restore takes it, its
// outcome, and how many folders its run folder holds.
int list(const CommandContext& context)
{
    MainSettings settings;
    std::string why = preconditions::settings(settings);
    if (why.empty())
        why = preconditions::folder("backup target", settings.backupTarget);
    if (!why.empty())
        return context.cannotStart(why);
    auto checks = RunCheckColumns(settings.backupTarget);
    for (const StoredRun& run : ListRuns(settings.backupTarget)) {
        const std::size_t folders
            = platform::folderExists(run.folder) ? FindArchiveNames(AddBackslash(run.folder)).size() : 0;
        context.out << platform::displayText(run.date) << '\t' << OutcomeWord(run.verdict) << '\t' << folders
                    << '\t' << (checks.contains(run.folder) ? checks[run.folder] : "unchecked") << '\n';
    }
    context.out.flush();
    return 0;
}

} // namespace

Command listCommand()
{
    return { QCommandLineOption("list"), {}, "--list",
        { "the runs in the backup target, newest first, one a line, separated",
            "by tabs: date, outcome (complete, failed N, stopped or incomplete),",
            "number of folders, when its archives were all last checked (or",
            "unchecked, partly checked, N damaged).",
            "Exit status: 0 listed, 2 no settings or no backup target." },
        list };
}
