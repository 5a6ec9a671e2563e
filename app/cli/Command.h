#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// One command of the command line. Each lives in a file of its own and is
// named once in the list of commands (Commands.cpp); the front reads the
// arguments for all of them with one parser.

// What a command gets to work with.
struct CommandContext {
    const QCommandLineParser& parser;
    std::string appFolder;
    std::ostream& out;
    std::ostream& err;

    // The value of an option as the bytes the user typed; empty when not given.
    std::string value(const QCommandLineOption& option) const;
    // Writes why the command cannot start and returns kExitCannotStart.
    int cannotStart(const std::string& why) const;
};

struct Command {
    // The option that names the command, e.g. --backup, or --restore DATE.
    QCommandLineOption option;
    // The options that go with this command. An option several commands
    // take is named by each of them, with the same names.
    std::vector<QCommandLineOption> options;
    // The command's line of the usage, after the program's name, e.g.
    // "--backup [--full]".
    std::string synopsis;
    // What it does, its options and its exit statuses, for --help: one
    // line each.
    std::vector<std::string> help;
    std::function<int(const CommandContext&)> run;
    // The options of `options` that may be given more than once, by their
    // long names ("--only"); any other is refused when repeated.
    std::vector<std::string> repeatable{};
};

// Every command of the command line, in the order --help shows them.
std::vector<Command> allCommands();

Command backupCommand();
Command listCommand();
Command restoreCommand();
Command checkCommand();
Command pruneCommand();
