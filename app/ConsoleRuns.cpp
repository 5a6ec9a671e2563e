#include "app/ConsoleRuns.h"

#include "AppInfo.h"
#include "app/DesktopNotice.h"
#include "app/MainSettings.h"
#include "backup/BackupRun.h"
#include "pathutil/PathRoutines.h"
#include "platform/DateOrder.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/StopSignals.h"
#include "platform/TextConversion.h"
#include "restore/RestoreChoices.h"
#include "restore/RestoreRun.h"
#include "restore/RestoreSteps.h"
#include "store/JobRunner.h"
#include "store/MainFields.h"
#include "store/RunMarker.h"
#include "store/StoreLayout.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <exception>
#include <ostream>
#include <utility>

namespace {

const char kUsage[]
    = "Usage:\n"
      "  Vimblor                                   the windows\n"
      "  Vimblor --backup [--full]                 one backup with the saved settings\n"
      "  Vimblor --list                            the runs in the backup target, newest first:\n"
      "                                            date, complete|incomplete, number of folders\n"
      "  Vimblor --restore latest|DATE [--to FOLDER]\n"
      "                                            restores a run (latest: the newest complete\n"
      "                                            one) into FOLDER or the saved restore target\n"
      "  Vimblor --help | --version\n"
      "Exit status: 0 done and checked, 1 failures or stopped, 2 could not start.\n";

enum class Action { Help, Version, Backup, List, Restore };

struct Command {
    Action action = Action::Help;
    std::string date; // --restore
    std::string to; // --to, empty when not given
    bool full = false; // --backup --full
    std::string problem; // set when the arguments make no command
};

Command parseCommand(const std::vector<std::string>& args)
{
    Command command;
    if (args.empty()) {
        command.problem = "No command given.";
        return command;
    }
    const std::string& first = args[0];
    std::size_t used = 1;
    if (first == "--help") {
        command.action = Action::Help;
    } else if (first == "--version") {
        command.action = Action::Version;
    } else if (first == "--list") {
        command.action = Action::List;
    } else if (first == "--backup") {
        command.action = Action::Backup;
        if (args.size() > 1 && args[1] == "--full") {
            command.full = true;
            used = 2;
        }
    } else if (first == "--restore" && args.size() > 1) {
        command.action = Action::Restore;
        command.date = args[1];
        used = 2;
        if (args.size() > 3 && args[2] == "--to") {
            command.to = args[3];
            used = 4;
        }
    } else {
        command.problem = "Unknown command: " + first;
        return command;
    }
    if (used != args.size())
        command.problem = "Unexpected argument: " + args[used];
    return command;
}

// The saved settings, as the main window would show them.
class SettingsFields : public MainFields {
public:
    explicit SettingsFields(MainSettings settings)
        : m_settings(std::move(settings))
    {
    }
    std::string backupTarget() const override { return m_settings.backupTarget; }
    std::vector<std::string> sourceFolders() const override { return m_settings.sources; }
    std::string restoreTarget() const override { return m_settings.restoreTarget; }
    bool fullBackup() const override { return m_settings.fullBackup; }
    void setRestoreTarget(const std::string& folder) { m_settings.restoreTarget = folder; }

private:
    MainSettings m_settings;
};

// The host of a run with nobody watching: log lines to standard output,
// boxes as log lines answered safely, and a count of the "Error!" boxes.
class ConsoleHost : public RunHost {
public:
    ConsoleHost(std::ostream& out, std::string busyText)
        : m_out(out)
        , m_busyText(std::move(busyText))
    {
    }
    void log(const std::string& line) override { m_out << platform::displayText(line) << std::endl; }
    platform::MsgAnswer showMessage(const std::string& text, const std::string& title, int style) override
    {
        if (text == m_busyText)
            m_busy = true;
        else if (style == platform::kMsgCritical)
            ++m_errors;
        log(MessageLogLine(text, title));
        return platform::SafeAnswer(style);
    }
    bool busy() const { return m_busy; }
    int errors() const { return m_errors; }

private:
    std::ostream& m_out;
    std::string m_busyText;
    bool m_busy = false;
    int m_errors = 0;
};

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

// Where a run stands for the list: its date, whether it reached its end, and
// how many folders it holds.
struct RunEntry {
    std::string date;
    bool complete = true;
    std::size_t folders = 0;
};

// The runs in the backup target, newest first; dates that name no moment
// under the current regional settings last, in name order.
std::vector<RunEntry> runsNewestFirst(const std::string& backupTarget)
{
    std::vector<RunEntry> runs;
    for (const std::string& date : FindDateTexts(backupTarget)) {
        const std::string runFolder = RunFolderPath(backupTarget, date);
        runs.push_back({ date, ReadRunState(runFolder).complete,
            platform::folderExists(runFolder) ? FindArchiveNames(AddBackslash(runFolder)).size() : 0 });
    }
    std::stable_sort(runs.begin(), runs.end(), [](const RunEntry& a, const RunEntry& b) {
        const auto ma = platform::dateTextMoment(a.date);
        const auto mb = platform::dateTextMoment(b.date);
        return ma && (!mb || *ma > *mb);
    });
    return runs;
}

// Why a run cannot start, or empty when it can.
class Preconditions {
public:
    explicit Preconditions(std::string appFolder)
        : m_appFolder(std::move(appFolder))
    {
    }
    std::string settings(MainSettings& settings) const
    {
        const std::string path = mainSettingsPath();
        if (!platform::fileExists(path))
            return "No settings yet (" + path + "): set the folders in the program's window first.";
        settings = loadMainSettings(platform::SettingsFile(path));
        return {};
    }
    std::string archiver() const
    {
        const QFileInfo archiver(platform::textFromBytes(AddBackslash(m_appFolder) + "7z"));
        if (m_appFolder.empty() || !archiver.exists() || !archiver.isExecutable())
            return "The archiver 7z is not there: " + AddBackslash(m_appFolder) + "7z";
        return {};
    }
    static std::string folder(const std::string& what, const std::string& path)
    {
        if (path.empty())
            return "No " + what + " is set.";
        if (!platform::folderExists(path))
            return "The " + what + " is not there: " + path;
        return {};
    }

private:
    std::string m_appFolder;
};

// Runs one backup or restore, a signal stopping it as the window's stop does.
int runToEnd(Run& run, const ConsoleHost& host)
{
    const platform::StopSignals stopSignals([&run](int) { run.requestStop(); });
    run.run();
    if (host.busy())
        return kExitCannotStart;
    const RunSummary& summary = run.summary();
    if (host.errors() > 0 || summary.failed > 0 || summary.stopped)
        return kExitFailed;
    return kExitDone;
}

struct Console {
    std::string appFolder;
    std::ostream& out;
    std::ostream& err;

    int cannotStart(const std::string& why) const
    {
        err << platform::displayText(why) << std::endl;
        return kExitCannotStart;
    }

    int backup(bool full) const
    {
        const Preconditions check(appFolder);
        MainSettings settings;
        std::string why = check.settings(settings);
        if (why.empty())
            why = Preconditions::folder("backup target", settings.backupTarget);
        if (why.empty() && settings.sources.empty())
            why = "No source folder is set.";
        if (why.empty())
            why = check.archiver();
        if (!why.empty())
            return cannotStart(why);
        settings.fullBackup = settings.fullBackup || full;
        const SettingsFields fields(std::move(settings));
        ConsoleHost host(out, AnotherRunText(appFolder));
        BackupRun run(host, fields, appFolder);
        const int status = runToEnd(run, host);
        noticeScheduledFailure(status, run);
        return status;
    }

    // A scheduled run that did not end well tells the user on the desktop;
    // one that did only leaves its log in the journal.
    void noticeScheduledFailure(int status, const BackupRun& run) const
    {
        if (status == kExitDone || !qEnvironmentVariableIsSet("QUORVEL_SCHEDULED"))
            return;
        const std::string body = run.summary().stopped
            ? "The scheduled backup was stopped before its end."
            : "The scheduled backup ended with failures. Its log is in the journal "
              "(journalctl --user -u quorvel-backup).";
        if (!notifyDesktop("Backup not complete", body))
            err << "No desktop notification could be sent." << std::endl;
    }

    int list() const
    {
        MainSettings settings;
        std::string why = Preconditions(appFolder).settings(settings);
        if (why.empty())
            why = Preconditions::folder("backup target", settings.backupTarget);
        if (!why.empty())
            return cannotStart(why);
        for (const RunEntry& run : runsNewestFirst(settings.backupTarget))
            out << platform::displayText(run.date) << '\t' << (run.complete ? "complete" : "incomplete")
                << '\t' << run.folders << '\n';
        out.flush();
        return kExitDone;
    }

    int restore(const Command& command) const
    {
        const Preconditions check(appFolder);
        MainSettings settings;
        std::string why = check.settings(settings);
        if (!command.to.empty())
            settings.restoreTarget = command.to;
        if (why.empty())
            why = Preconditions::folder("backup target", settings.backupTarget);
        if (why.empty())
            why = Preconditions::folder("restore target", settings.restoreTarget);
        if (why.empty())
            why = check.archiver();
        if (!why.empty())
            return cannotStart(why);
        const std::string date = chosenDate(settings.backupTarget, command.date);
        if (date.empty())
            return cannotStart("No backup of that date in " + settings.backupTarget + ": " + command.date);
        const SettingsFields fields(std::move(settings));
        ConsoleHost host(out, AnotherRunText(appFolder));
        GivenDate choice(date);
        RestoreRun run(host, choice, fields, appFolder);
        return runToEnd(run, host);
    }

    // The run the user named: "latest" is the newest complete run (the
    // newest of all when none is complete), any other text a date as the
    // list shows it.
    static std::string chosenDate(const std::string& backupTarget, const std::string& wanted)
    {
        const std::vector<RunEntry> runs = runsNewestFirst(backupTarget);
        if (wanted != "latest") {
            const bool found = std::any_of(
                runs.begin(), runs.end(), [&wanted](const RunEntry& run) { return run.date == wanted; });
            return found ? wanted : std::string();
        }
        const auto complete
            = std::find_if(runs.begin(), runs.end(), [](const RunEntry& run) { return run.complete; });
        if (complete != runs.end())
            return complete->date;
        return runs.empty() ? std::string() : runs.front().date;
    }
};

} // namespace

bool isConsoleCommand(int argc, char** argv)
{
    return argc > 1 && std::string(argv[1]).starts_with("--");
}

int runConsoleCommand(
    const std::vector<std::string>& args, const std::string& appFolder, std::ostream& out, std::ostream& err)
{
    const Command command = parseCommand(args);
    if (!command.problem.empty()) {
        err << command.problem << '\n' << kUsage;
        return kExitCannotStart;
    }
    // A run from here has nobody to answer a box that some step shows
    // outside its host: it gets the safe answer, logged.
    ConsoleHost boxes(out, {});
    platform::setMessageBoxHandler([&boxes](const std::string& text, const std::string& title, int style) {
        return boxes.showMessage(text, title, style);
    });
    const Console console{ appFolder, out, err };
    try {
        switch (command.action) {
        case Action::Help:
            out << kUsage;
            return kExitDone;
        case Action::Version:
            out << appinfo::kProductName << ' ' << appinfo::kVersionText << '\n';
            return kExitDone;
        case Action::Backup:
            return console.backup(command.full);
        case Action::List:
            return console.list();
        case Action::Restore:
            return console.restore(command);
        }
    } catch (const std::exception& error) {
        // The backup target could not be listed, for instance.
        return console.cannotStart(error.what());
    }
    return kExitCannotStart;
}
