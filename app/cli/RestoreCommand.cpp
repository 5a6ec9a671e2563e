#include "app/cli/Command.h"
#include "app/cli/ConsoleHost.h"
#include "app/cli/JobsOption.h"
#include "app/cli/Preconditions.h"
#include "platform/TextConversion.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "store/JobRunner.h"
#include "store/RunList.h"

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

// The date was chosen on the command line; the question that the date
// dialog asks is not asked again.
class GivenDate : public RestoreChoices {
public:
    explicit GivenDate(std::string date)
        : m_date(std::move(date))
    {
    }
    std::string chooseDate(const std::vector<std::string>& dates, const std::vector<bool>&) override
    {
        return std::find(dates.begin(), dates.end(), m_date) != dates.end() ? m_date : std::string();
    }
    // The question before it is answered No, so this is never asked for.
    void openTextFile(const std::string&) override { }

private:
    std::string m_date;
};

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
    const SettingsFields fields(std::move(settings));
    ConsoleHost host(context.out, AnotherRunText(context.appFolder));
    GivenDate choice(date);
    RestoreRun run(host, choice, fields, context.appFolder);
    return runToEnd(run, host);
}

} // namespace

Command restoreCommand()
{
    return { restoreOption(), { toOption(), jobsOption() }, "--restore latest|DATE [--to FOLDER] [--jobs J]",
        { "restores a run into FOLDER or the saved restore target: latest is",
            "the newest run that reached its end (complete or failed N), DATE a",
            "date as --list prints it, quoted when it holds a space.",
            "Exit status: 0 every folder restored and checked, 1 a folder failed",
            "or the restore was stopped, 2 could not start (no settings, no",
            "archiver, a folder missing, no such run, another run busy)." },
        restore };
}
