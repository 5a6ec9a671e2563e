#include "store/RunJournal.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/RandomId.h"
#include "store/RunMarker.h"

#include <charconv>
#include <utility>

namespace {

constexpr char kVersionLine[] = "quorvel-run-journal 1";
constexpr char kStarted[] = "started";
constexpr char kArchiver[] = "archiver";
constexpr char kMachine[] = "machine";
constexpr char kHeld[] = "held";
constexpr char kFailed[] = "failed";
constexpr char kSpecials[] = "specials";
constexpr char kLeftOut[] = "leftout";
constexpr char kStopped[] = "stopped";
constexpr char kEnd[] = "end";
constexpr char kLog[] = "log";

// A run of a million folders with long paths stays well below this; a
// longer file is no journal of ours, and is not read into memory.
constexpr std::size_t kLongestJournal = std::size_t{ 512 } << 20;

std::string escaped(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The tab-separated fields of a line, unescaped; none when one is damaged.
std::optional<std::vector<std::string>> fieldsOf(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        auto field
            = UnescapeJournalField(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (!field)
            return std::nullopt;
        fields.push_back(std::move(*field));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<std::int64_t> number(const std::string& text)
{
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || value < 0)
        return std::nullopt;
    return value;
}

// Takes one line's fact into the journal; lines that do not read are left out.
void takeLine(RunJournal& journal, const std::vector<std::string>& f)
{
    const std::string& tag = f[0];
    if (tag == kStarted && f.size() == 2) {
        if (auto value = number(f[1]); value && *value > 0)
            journal.started = *value;
    } else if (tag == kArchiver && f.size() == 2) {
        journal.archiver = f[1];
    } else if (tag == kMachine && f.size() == 2) {
        journal.machine = f[1];
    } else if (tag == kHeld && f.size() == 3) {
        journal.held.push_back({ f[1], f[2] });
    } else if (tag == kFailed && f.size() == 4) {
        journal.failed.push_back({ f[1], f[2], f[3] });
    } else if (tag == kSpecials && f.size() >= 3) {
        journal.specials.push_back({ f[1], { f.begin() + 2, f.end() } });
    } else if (tag == kLeftOut && f.size() >= 3) {
        journal.leftOut.push_back({ f[1], { f.begin() + 2, f.end() } });
    } else if (tag == kSeenTag && f.size() > 1) {
        if (auto seen = ParseSeenFields({ f.begin() + 1, f.end() }))
            journal.seen.push_back(std::move(*seen));
        else
            journal.damagedSeen++;
    } else if (tag == kLog && f.size() == 2) {
        journal.log = f[1];
    } else if (tag == kStopped && f.size() == 1) {
        journal.stopped = true;
    } else if (tag == kEnd && f.size() == 2) {
        if (auto failed = number(f[1]); failed && *failed <= 1'000'000'000) {
            journal.ended = true;
            journal.failedAtEnd = static_cast<int>(*failed);
        }
    }
}

} // namespace

std::optional<std::string> UnescapeJournalField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<RunJournal> ParseRunJournal(std::string_view text)
{
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != kVersionLine)
        return std::nullopt;
    RunJournal journal;
    std::size_t at = firstEnd + 1;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        // A last line without its line feed was being written when the run ended.
        if (end == std::string_view::npos)
            break;
        if (auto fields = fieldsOf(text.substr(at, end - at)))
            takeLine(journal, *fields);
        at = end + 1;
    }
    if (journal.started == 0)
        return std::nullopt;
    return journal;
}

std::optional<RunJournal> ReadRunJournal(const std::string& runFolder)
{
    const std::string path = AddBackslash(runFolder) + kRunJournal;
    if (!platform::isRegularFileItself(path))
        return std::nullopt;
    auto text = platform::readFileStart(path, kLongestJournal + 1);
    if (!text || text->size() > kLongestJournal)
        return std::nullopt;
    return ParseRunJournal(*text);
}

std::string JournalLine(std::string_view tag, const std::vector<std::string_view>& fields)
{
    std::string line(tag);
    for (std::string_view field : fields) {
        line += '\t';
        line += escaped(field);
    }
    line += '\n';
    return line;
}

RunJournalWriter::RunJournalWriter(const std::string& runFolder)
    : m_path(AddBackslash(runFolder) + kRunJournal)
{
}

platform::Status RunJournalWriter::begin(
    std::int64_t started, const std::string& archiver, const std::string& machine)
{
    const std::string text = std::string(kVersionLine) + "\n"
        + JournalLine(kStarted, { std::to_string(started) }) + JournalLine(kArchiver, { archiver })
        + JournalLine(kMachine, { machine });
    return platform::writeFile(m_path, text);
}

platform::Status RunJournalWriter::held(const std::string& archive, const std::string& path)
{
    return line(kHeld, { archive, path });
}

platform::Status RunJournalWriter::failed(
    const std::string& path, const std::string& archive, const std::string& why)
{
    return line(kFailed, { path, archive, why });
}

platform::Status RunJournalWriter::specials(const std::string& archive, const std::vector<std::string>& names)
{
    std::vector<std::string_view> fields{ archive };
    fields.insert(fields.end(), names.begin(), names.end());
    return line(kSpecials, fields);
}

platform::Status RunJournalWriter::leftOut(const std::string& path, const std::vector<std::string>& names)
{
    std::vector<std::string_view> fields{ path };
    fields.insert(fields.end(), names.begin(), names.end());
    return line(kLeftOut, fields);
}

platform::Status RunJournalWriter::seen(const FolderSeen& folder)
{
    const std::vector<std::string> fields = SeenFields(folder);
    return line(kSeenTag, { fields.begin(), fields.end() });
}

platform::Status RunJournalWriter::log(const std::string& name)
{
    return line(kLog, { name });
}

platform::Status RunJournalWriter::stopped()
{
    return line(kStopped, {});
}

platform::Status RunJournalWriter::end(int failedFolders)
{
    return line(kEnd, { std::to_string(failedFolders) });
}

platform::Status RunJournalWriter::line(std::string_view tag, const std::vector<std::string_view>& fields)
{
    return platform::appendFile(m_path, JournalLine(tag, fields));
}

RunVerdict ReadRunVerdict(const std::string& runFolder)
{
    const RunState state = ReadRunState(runFolder);
    const std::optional<RunJournal> journal = ReadRunJournal(runFolder);
    if (!state.complete)
        return { journal && journal->stopped ? RunOutcome::Stopped : RunOutcome::Incomplete, 0 };
    if (journal && journal->ended && journal->failedAtEnd > 0)
        return { RunOutcome::Failed, journal->failedAtEnd };
    return {};
}

std::string OutcomeWord(const RunVerdict& verdict)
{
    switch (verdict.outcome) {
    case RunOutcome::Complete:
        return "complete";
    case RunOutcome::Failed:
        return "failed " + std::to_string(verdict.failed);
    case RunOutcome::Stopped:
        return "stopped";
    case RunOutcome::Incomplete:
        break;
    }
    return "incomplete";
}

namespace {
std::string& machineIdForTests()
{
    static std::string id;
    return id;
}
} // namespace

void SetMachineIdForTests(std::string id)
{
    machineIdForTests() = std::move(id);
}

std::string MachineId(const std::string& stateFolder)
{
    if (!machineIdForTests().empty())
        return machineIdForTests();
    if (std::string id = platform::systemMachineId(); !id.empty())
        return id;
    // A computer without a machine id keeps one of its own.
    const std::string path = AddBackslash(stateFolder) + ".machine-id";
    if (auto kept = platform::readFileStart(path, 64); kept && kept->size() == 32)
        return *kept;
    std::string id = platform::randomId();
    if (id.empty() || !platform::replaceFileAtomically(path, id))
        return {};
    return id;
}
