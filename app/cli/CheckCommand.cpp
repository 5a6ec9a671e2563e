#include "app/CheckSettings.h"
#include "app/DesktopNotice.h"
#include "app/MainSettings.h"
#include "app/cli/Command.h"
#include "app/cli/CommandLine.h"
#include "app/cli/ConsoleHost.h"
#include "app/cli/Preconditions.h"
#include "app/cli/ScheduledCheck.h"
#include "app/cli/ScheduledNotice.h"
#include "check/CheckRun.h"
#include "check/CheckStatus.h"
#include "store/CheckRecord.h"
#include "store/JobRunner.h"

#include <QtGlobal>

#include <charconv>
#include <ostream>

namespace {

QCommandLineOption minutesOption()
{
    return QCommandLineOption("minutes", "", "M");
}

QCommandLineOption allOption()
{
    return QCommandLineOption("all");
}

// Tests give the time in seconds (QUORVEL_CHECK_SECONDS), so that a budget
// can be kept in a test that lasts seconds.
std::optional<std::int64_t> wholeNumber(const std::string& text)
{
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || value < 1 || value > 100'000'000)
        return std::nullopt;
    return value;
}

int runCheck(CheckRun& run, ConsoleHost& host, std::ostream& err)
{
    const int status = runToEnd(run, host);
    if (run.damagedKnown() > 0) {
        noticeDamage(run, err);
        return kExitFailed;
    }
    return status;
}

int check(const CommandContext& context)
{
    MainSettings settings;
    std::string why = preconditions::settings(settings);
    if (why.empty())
        why = preconditions::folder("backup target", settings.backupTarget);
    if (why.empty())
        why = preconditions::archiver(context.appFolder);
    if (!why.empty())
        return context.cannotStart(why);
    CheckOptions options;
    options.checkDays = savedCheckDays();
    options.all = context.parser.isSet(allOption());
    const std::string seconds = qEnvironmentVariable("QUORVEL_CHECK_SECONDS").toStdString();
    if (context.parser.isSet(minutesOption())) {
        const auto minutes = wholeNumber(context.value(minutesOption()));
        if (!minutes)
            return context.cannotStart("--minutes needs a whole number of minutes, at least 1.");
        options.budgetSeconds = *minutes * 60;
    } else if (const auto given = wholeNumber(seconds)) {
        options.budgetSeconds = *given;
    } else if (isScheduledRun()) {
        options.budgetSeconds = ScheduledCheckSeconds(
            ListStoreArchives(settings.backupTarget, CheckRecord::read(settings.backupTarget)),
            options.checkDays, CheckClockNow());
    }
    ConsoleHost host(context.out, AnotherRunText(context.appFolder));
    CheckRun run(host, settings.backupTarget, context.appFolder, options);
    return runCheck(run, host, context.err);
}

} // namespace

void runScheduledCheck(
    const std::string& appFolder, const std::string& backupTarget, std::ostream& out, std::ostream& err)
{
    CheckOptions options;
    options.checkDays = savedCheckDays();
    options.budgetSeconds = ScheduledCheckSeconds(
        ListStoreArchives(backupTarget, CheckRecord::read(backupTarget)), options.checkDays, CheckClockNow());
    ConsoleHost host(out, AnotherRunText(appFolder));
    CheckRun run(host, backupTarget, appFolder, options);
    (void)runCheck(run, host, err);
}

std::string damageNotice(const CheckRun& run)
{
    const std::vector<std::string>& folders = run.damagedFolders();
    std::string body = "The archiver's test found " + std::to_string(folders.size())
        + (folders.size() == 1 ? " damaged archive" : " damaged archives");
    constexpr std::size_t kNamed = 3;
    for (std::size_t i = 0; i < folders.size() && i < kNamed; ++i)
        body += (i == 0 ? ": " : ", ") + folders[i];
    if (folders.size() > kNamed)
        body += " and " + std::to_string(folders.size() - kNamed) + " more";
    return body + ". The next backup compresses them anew; Vimblor --check names every run that holds them.";
}

void noticeDamage(const CheckRun& run, std::ostream& err)
{
    if (!isScheduledRun())
        return;
    if (!notifyDesktop("Backups damaged", damageNotice(run)))
        err << "No desktop notification could be sent." << std::endl;
}

Command checkCommand()
{
    return { QCommandLineOption("check"), { minutesOption(), allOption() }, "--check [--minutes M] [--all]",
        { "tests the archives of the backup target with the archiver's own test,",
            "each archive file once, the ones checked longest ago first, for M",
            "minutes (10) or, with --all, until every one is checked; says which",
            "folders and runs are damaged and when every archive was last read.",
            "Exit status: 0 no damage known, 1 damaged archives (or stopped),",
            "2 could not start (no settings, no archiver, no backup target, another run busy)." },
        check };
}
