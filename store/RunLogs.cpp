#include "store/RunLogs.h"

#include "platform/FileSystem.h"
#include "platform/UserFolders.h"
#include "store/RunJournal.h"

#include <QDateTime>

#include <algorithm>
#include <charconv>

namespace {

constexpr char kTargetLine[] = "Backup into: ";
constexpr char kSuffix[] = ".log";
constexpr std::int64_t kBillion = 1'000'000'000;
// "20261208-023011-123456789.log"
constexpr std::size_t kNameLength = 29;
// The first line is read alone; a path is never longer.
constexpr std::size_t kLongestFirstLine = 3 * 4096;

std::int64_t beganOf(const std::string& name)
{
    if (name.size() != kNameLength || !name.ends_with(kSuffix) || name[8] != '-' || name[15] != '-')
        return -1;
    const QDateTime second
        = QDateTime::fromString(QString::fromStdString(name.substr(0, 15)), "yyyyMMdd-HHmmss");
    std::int64_t fraction = -1;
    const char* first = name.data() + 16;
    const auto [end, error] = std::from_chars(first, first + 9, fraction);
    if (!second.isValid() || error != std::errc() || end != first + 9)
        return -1;
    QDateTime utc(second.date(), second.time(), Qt::UTC);
    return utc.toSecsSinceEpoch() * kBillion + fraction;
}

std::string targetLine(const std::string& target)
{
    // One line whatever the path holds: the journal's escapes.
    std::string line = kTargetLine;
    for (char c : target) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line + "\n";
}

std::string targetOf(const std::string& path)
{
    const auto start = platform::readFileStart(path, kLongestFirstLine);
    if (!start || !start->starts_with(kTargetLine))
        return {};
    const std::size_t end = start->find('\n');
    if (end == std::string::npos)
        return {};
    const std::string field = start->substr(sizeof kTargetLine - 1, end - (sizeof kTargetLine - 1));
    return UnescapeJournalField(field).value_or(std::string());
}

} // namespace

std::string RunLogFolder(const std::string& stateFolder)
{
    return stateFolder + "/logs";
}

std::string RunLogName(std::int64_t began)
{
    const std::int64_t seconds = began / kBillion;
    const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    std::string fraction = std::to_string(began - seconds * kBillion);
    fraction.insert(0, 9 - fraction.size(), '0');
    return when.toString("yyyyMMdd-HHmmss").toStdString() + "-" + fraction + kSuffix;
}

std::vector<KeptRunLog> KeptRunLogs(const std::string& stateFolder)
{
    std::vector<KeptRunLog> logs;
    const std::string folder = RunLogFolder(stateFolder);
    const auto names = platform::listFolder(folder, false);
    if (!names)
        return logs;
    for (const std::string& name : *names) {
        const std::int64_t began = beganOf(name);
        if (began < 0)
            continue;
        const std::string path = folder + "/" + name;
        logs.push_back({ name, path, began, targetOf(path) });
    }
    std::sort(logs.begin(), logs.end(), [](const auto& a, const auto& b) { return a.name > b.name; });
    return logs;
}

std::string NewestRunLogName(const std::string& stateFolder)
{
    std::string newest;
    if (const auto names = platform::listFolder(RunLogFolder(stateFolder), false))
        for (const std::string& name : *names)
            if (name > newest && beganOf(name) >= 0)
                newest = name;
    return newest;
}

RunLogWriter::RunLogWriter(const std::string& stateFolder, const std::string& target, std::int64_t began)
{
    const std::string folder = RunLogFolder(stateFolder);
    if (!platform::makePrivateFolders(folder))
        return;
    // Two runs begun in the same nanosecond still keep a log each.
    std::string name = RunLogName(began);
    while (platform::fileExists(folder + "/" + name))
        name = RunLogName(++began);
    if (!platform::writeFile(folder + "/" + name, targetLine(target), platform::FileAccess::UserOnly))
        return;
    m_name = name;
    m_path = folder + "/" + name;
    // Names sort as the runs began: the oldest are first.
    const auto logs = KeptRunLogs(stateFolder);
    for (std::size_t i = kKeptRunLogs; i < logs.size(); ++i)
        (void)platform::deleteFile(logs[i].path);
}

void RunLogWriter::line(const std::string& text)
{
    if (!kept())
        return;
    // A line that cannot be added is not tried again: the run goes on, and
    // the window and the journal still hold what happened.
    if (!platform::appendFile(m_path, text + "\n"))
        m_path.clear();
}
