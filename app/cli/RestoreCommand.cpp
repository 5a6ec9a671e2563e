#include "app/cli/Command.h"
#include "app/cli/ConsoleHost.h"
#include "app/cli/JobsOption.h"
#include "app/cli/Preconditions.h"
#include "pathutil/PathRoutines.h"
#include "platform/TextConversion.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "restore/RestoreSteps.h"
#include "store/JobRunner.h"
#include "store/RunJournal.h"
#include "store/RunList.h"
#include "store/StoreLayout.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace {

QCommandLineOption restoreOption()
{
    return QCommandLineOption("restore", "", "DATE");
}

QCommandLineOption toOption()
{
    return QCommandLineOption("to", "", "FOLDER");
}

QCommandLineOption onlyOption()
{
    return QCommandLineOption("only", "", "PATH");
}

// The date was chosen on the command line; the question that the date
// dialog asks is not asked again.
class GivenDate : public RestoreChoices {
public:
    GivenDate(std::string date, std::vector<std::string> only)
        : m_date(std::move(date))
        , m_only(std::move(only))
    {
    }
    std::string chooseDate(const std::vector<std::string>& dates, const std::vector<bool>&) override
    {
        return std::find(dates.begin(), dates.end(), m_date) != dates.end() ? m_date : std::string();
    }
    // The paths given with --only, or the whole run.
    std::optional<RestorePart> choosePart(const std::vector<RunFolder>& folders) override
    {
        if (m_only.empty())
            return RestorePart();
        return AskedPaths::Resolve(folders, m_only).part;
    }
    // The question before it is answered No, so this is never asked for.
    void openTextFile(const std::string&) override { }

private:
    std::string m_date;
    std::vector<std::string> m_only;
};

// The paths given with --only that the run does not hold, read from its
// run folder and journal.
std::vector<std::string> pathsNotInRun(const std::string& runFolder, const std::vector<std::string>& only)
{
    if (only.empty())
        return {};
    const std::vector<RunFolder> folders
        = FoldersOfRun(FindArchiveNames(runFolder), ReadRunJournal(runFolder));
    return AskedPaths::Resolve(folders, only).notInRun;
}

// The run the user named, or empty: "latest" is the newest run that reached
// its end, any other text a date as the list shows it. Each newer run that
// "latest" passes over is named on `out`.
std::string chosenDate(const std::string& backupTarget, const std::string& wanted, std::ostream& out)
{
    const std::vector<StoredRun> runs = ListRuns(backupTarget);
    if (wanted != "latest") {
        const bool found = std::any_of(
            runs.begin(), runs.end(), [&wanted](const StoredRun& run) { return run.date == wanted; });
        return found ? wanted : std::string();
    }
    const std::optional<StoredRun> ended = NewestEndedRun(runs);
    for (const StoredRun& run : runs) {
        if (ended && run.folder == ended->folder)
            break;
        out << "Passed over the backup of " << platform::displayText(run.date)
            << ": it did not reach its end (" << OutcomeWord(run.verdict) << ")" << std::endl;
    }
    return ended ? ended->date : std::string();
}

int restore(const CommandContext& context)
{
    MainSettings settings;
    std::string why = preconditions::settings(settings);
    if (context.parser.isSet(toOption()))
        settings.restoreTarget = context.value(toOption());
    if (why.empty())
        why = readJobsOption(context, settings.jobs);
    if (why.empty())
        why = preconditions::folder("backup target", settings.backupTarget);
    if (why.empty())
        why = preconditions::folder("restore target", settings.restoreTarget);
    if (why.empty())
        why = preconditions::archiver(context.appFolder);
    if (!why.empty())
        return context.cannotStart(why);
    const std::string wanted = context.value(restoreOption());
    const std::string date = chosenDate(settings.backupTarget, wanted, context.out);
    if (date.empty() && wanted == "latest")
        return context.cannotStart("No backup in " + settings.backupTarget
            + " reached its end; name one by its date (Vimblor --list) to restore it all the same.");
    if (date.empty())
        return context.cannotStart("No backup of that date in " + settings.backupTarget + ": " + wanted);
    std::vector<std::string> only;
    for (const QString& path : context.parser.values(onlyOption()))
        only.push_back(platform::bytesFromText(path));
    // Nothing is restored when a path asked for is not there: a mistyped
    // path would otherwise pass for a restore that found nothing to do.
    const std::vector<std::string> missing
        = pathsNotInRun(AddBackslash(RunFolderPath(settings.backupTarget, date)), only);
    if (!missing.empty()) {
        std::string why;
        for (const std::string& path : missing)
            why += (why.empty() ? "" : "\n") + ("Not in the backup of " + date + ": " + path);
        return context.cannotStart(why);
    }
    const SettingsFields fields(std::move(settings));
    ConsoleHost host(context.out, AnotherRunText(context.appFolder));
    GivenDate choice(date, std::move(only));
    RestoreRun run(host, choice, fields, context.appFolder);
    return runToEnd(run, host);
}

} // namespace

Command restoreCommand()
{
    return { restoreOption(), { toOption(), onlyOption(), jobsOption() },
        "--restore latest|DATE [--to FOLDER] [--only PATH]... [--jobs J]",
        { "restores a run into FOLDER or the saved restore target: latest is",
            "the newest run that reached its end (complete or failed N), DATE a",
            "date as --list prints it, quoted when it holds a space.",
            "--only PATH (again for more) restores the folder PATH of the run",
            "with the folders below it, or the single file PATH.",
            "--jobs J runs J archivers at once (default: one for each processor).",
            "Exit status: 0 every folder restored and checked, 1 a folder failed",
            "or the restore was stopped, 2 could not start (no settings, no",
            "archiver, a folder missing, no such run or PATH, another run busy)." },
        restore, { "--only" } };
}
