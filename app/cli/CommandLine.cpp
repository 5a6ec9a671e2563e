#include "app/cli/CommandLine.h"

#include "AppInfo.h"
#include "app/cli/Command.h"
#include "app/cli/ConsoleHost.h"
#include "platform/MessageBox.h"
#include "platform/TextConversion.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <exception>
#include <map>
#include <optional>
#include <ostream>

namespace {

const char kProgram[] = "Vimblor";

// The commands that take no run: they answer at once.
Command helpCommand()
{
    return { QCommandLineOption(QStringList{ "h", "help" }), {}, "-h | --help",
        { "this text.", "Exit status: 0." }, {} };
}

Command versionCommand()
{
    return { QCommandLineOption(QStringList{ "V", "version" }), {}, "-V | --version",
        { "the program's name and version.", "Exit status: 0." }, {} };
}

std::string dashed(const QString& name)
{
    return (name.size() == 1 ? "-" : "--") + name.toStdString();
}

std::string longName(const QCommandLineOption& option)
{
    return dashed(option.names().last());
}

// The usage: one line a command. With `details`, what each does below it.
std::string usage(const std::vector<Command>& commands, bool details)
{
    std::string text = "Usage:\n";
    if (details)
        text += std::string("  ") + kProgram + "\n      the windows.\n";
    for (const Command& command : commands) {
        text += std::string("  ") + kProgram + " " + command.synopsis + "\n";
        if (details)
            for (const std::string& help : command.help)
                text += "      " + help + "\n";
    }
    if (details)
        text += "Exit status: 0 done and checked (a complete run), 1 not complete (failed\n"
                "folders, stopped or cut short), 2 could not start or the arguments make\n"
                "no command.\n";
    else
        text += std::string(kProgram) + " --help tells what each command does and returns.\n";
    return text;
}

// A word the shell split off a date with a space: a time such as 21:06:11,
// or AM or PM.
bool looksLikeTime(const QString& word)
{
    static const QRegularExpression time(R"(^\d{1,2}[:.]\d{2}([:.]\d{2})?$)");
    return time.match(word).hasMatch() || word.compare("AM", Qt::CaseInsensitive) == 0
        || word.compare("PM", Qt::CaseInsensitive) == 0;
}

struct Reading {
    const Command* command = nullptr;
    std::string problem; // set when the arguments make no command
};

// Checks what the parser could not: values, leftover words, repeats, and
// which options go with which command.
class ArgumentCheck {
public:
    ArgumentCheck(const QCommandLineParser& parser, const std::vector<Command>& commands)
        : m_parser(parser)
        , m_commands(commands)
    {
    }

    Reading read() const
    {
        for (const Command& command : m_commands)
            for (const QCommandLineOption& option : optionsOf(command))
                if (auto problem = valueProblem(option))
                    return { nullptr, *problem };
        if (auto problem = leftoverProblem())
            return { nullptr, *problem };
        std::map<std::string, int> given;
        for (const QString& name : m_parser.optionNames())
            if (++given[longNameOf(name)] == 2 && !repeatable(longNameOf(name)))
                return { nullptr, longNameOf(name) + " is given more than once." };
        const Command* chosen = nullptr;
        for (const Command& command : m_commands) {
            if (!m_parser.isSet(command.option))
                continue;
            if (chosen)
                return { nullptr,
                    "One command at a time: " + longName(chosen->option) + " and " + longName(command.option)
                        + "." };
            chosen = &command;
        }
        for (const auto& [name, times] : given)
            if (!goesWith(name, chosen))
                return { nullptr, name + " goes only with " + ownersOf(name) + "." };
        if (!chosen)
            return { nullptr, "No command given." };
        return { chosen, {} };
    }

private:
    static std::vector<QCommandLineOption> optionsOf(const Command& command)
    {
        std::vector<QCommandLineOption> options{ command.option };
        options.insert(options.end(), command.options.begin(), command.options.end());
        return options;
    }

    // The parser takes the word after an option that wants a value as its
    // value, even another option: "--restore --to /x" is not a restore of
    // the date "--to".
    std::optional<std::string> valueProblem(const QCommandLineOption& option) const
    {
        if (option.valueName().isEmpty())
            return std::nullopt;
        for (const QString& value : m_parser.values(option))
            if (value.startsWith('-'))
                return longName(option) + " needs a " + option.valueName().toStdString() + " before "
                    + platform::displayText(platform::bytesFromText(value)) + ".";
        return std::nullopt;
    }

    std::optional<std::string> leftoverProblem() const
    {
        const QStringList words = m_parser.positionalArguments();
        if (words.isEmpty())
            return std::nullopt;
        for (const QString& word : words)
            if (looksLikeTime(word))
                return "A date with a space must be quoted, e.g. --restore \"2026-12-05 21:06:11\"; "
                       "the shell split off "
                    + platform::displayText(platform::bytesFromText(word)) + ".";
        return "Unexpected argument: " + platform::displayText(platform::bytesFromText(words.first()));
    }

    std::string longNameOf(const QString& given) const
    {
        for (const Command& command : m_commands)
            for (const QCommandLineOption& option : optionsOf(command))
                if (option.names().contains(given))
                    return longName(option);
        return dashed(given);
    }

    bool repeatable(const std::string& name) const
    {
        return std::any_of(m_commands.begin(), m_commands.end(), [&name](const Command& command) {
            return std::find(command.repeatable.begin(), command.repeatable.end(), name)
                != command.repeatable.end();
        });
    }

    bool goesWith(const std::string& name, const Command* command) const
    {
        if (!command)
            return false;
        for (const QCommandLineOption& option : optionsOf(*command))
            if (longName(option) == name)
                return true;
        return false;
    }

    std::string ownersOf(const std::string& name) const
    {
        std::string owners;
        for (const Command& command : m_commands)
            if (longName(command.option) != name && goesWith(name, &command))
                owners += (owners.empty() ? "" : " or ") + longName(command.option);
        return owners;
    }

    const QCommandLineParser& m_parser;
    const std::vector<Command>& m_commands;
};

} // namespace

std::string CommandContext::value(const QCommandLineOption& option) const
{
    return platform::bytesFromText(parser.value(option));
}

int CommandContext::cannotStart(const std::string& why) const
{
    std::string text;
    for (const char c : why)
        if (c != '\r')
            text += c;
    err << platform::displayText(text) << std::endl;
    return kExitCannotStart;
}

bool isConsoleCommand(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const std::string first = argv[1];
    // Options of the windows' toolkit (-style, -platform...) are words
    // after one dash; a dash and one letter is ours, known or not.
    return first.starts_with("--") || (first.size() == 2 && first[0] == '-');
}

int runConsoleCommand(
    const std::vector<std::string>& args, const std::string& appFolder, std::ostream& out, std::ostream& err)
{
    std::vector<Command> commands = allCommands();
    commands.push_back(helpCommand());
    commands.push_back(versionCommand());

    QCommandLineParser parser;
    std::map<QString, bool> added;
    for (const Command& command : commands) {
        parser.addOption(command.option);
        for (const QCommandLineOption& option : command.options)
            if (!added[option.names().first()]) {
                parser.addOption(option);
                added[option.names().first()] = true;
            }
    }
    QStringList arguments{ kProgram };
    for (const std::string& arg : args)
        arguments << platform::textFromBytes(arg);
    Reading reading;
    if (!parser.parse(arguments))
        reading.problem = parser.errorText().toStdString();
    else
        reading = ArgumentCheck(parser, commands).read();
    if (!reading.problem.empty()) {
        err << reading.problem << '\n' << usage(commands, false);
        return kExitCannotStart;
    }
    if (!reading.command->run) {
        if (reading.command->option.names().contains("help"))
            out << usage(commands, true);
        else
            out << appinfo::kProductName << ' ' << appinfo::kVersionText << '\n';
        return kExitDone;
    }

    // A run from here has nobody to answer a box that some step shows
    // outside its host: it gets the safe answer, logged.
    ConsoleHost boxes(out, {});
    platform::setMessageBoxHandler([&boxes](const std::string& text, const std::string& title, int style) {
        return boxes.showMessage(text, title, style);
    });
    const CommandContext context{ parser, appFolder, out, err };
    try {
        return reading.command->run(context);
    } catch (const std::exception& error) {
        // The backup target could not be listed, for instance.
        return context.cannotStart(error.what());
    }
}
