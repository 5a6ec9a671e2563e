#include "store/CheckRecord.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "store/RunJournal.h"

#include <charconv>

namespace {

constexpr char kTag[] = "check";
constexpr char kGood[] = "good";
constexpr char kDamaged[] = "damaged";
constexpr std::size_t kFields = 9; // the tag and eight facts

template <typename Number> std::optional<Number> number(std::string_view text)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || value < 0)
        return std::nullopt;
    return value;
}

// One line's check, or none when the line is not one.
std::optional<CheckedFile> readLine(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() <= kFields) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != kFields || fields[0] != kTag || (fields[7] != kGood && fields[7] != kDamaged))
        return std::nullopt;
    auto path = UnescapeJournalField(fields[1]);
    auto size = number<std::uint64_t>(fields[2]);
    auto modified = number<std::int64_t>(fields[3]);
    auto device = number<std::uint64_t>(fields[4]);
    auto inode = number<std::uint64_t>(fields[5]);
    auto checked = number<std::int64_t>(fields[6]);
    auto millis = number<std::int64_t>(fields[8]);
    if (!path || path->empty() || !size || !modified || !device || !inode || !checked || !millis)
        return std::nullopt;
    CheckedFile file;
    file.path = std::move(*path);
    file.identity = { *device, *inode, *size, *modified };
    file.checked = *checked;
    file.good = fields[7] == kGood;
    file.millis = *millis;
    return file;
}

bool sameBytes(const platform::FileIdentity& a, const platform::FileIdentity& b)
{
    return a.size == b.size && a.modified == b.modified;
}

} // namespace

CheckRecord CheckRecord::parse(std::string_view bytes)
{
    CheckRecord record;
    if (bytes.size() > kLongestCheckRecord)
        bytes = bytes.substr(0, kLongestCheckRecord);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            break; // cut short while it was written
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (line.size() > kLongestCheckLine)
            continue;
        if (auto file = readLine(line)) {
            ++record.m_lines;
            record.add(*file);
        }
    }
    return record;
}

CheckRecord CheckRecord::read(const std::string& backupTarget)
{
    const std::string path = CheckRecordPath(backupTarget);
    if (!platform::isRegularFileItself(path))
        return {};
    auto bytes = platform::readFileStart(path, kLongestCheckRecord);
    return bytes ? parse(*bytes) : CheckRecord{};
}

const CheckedFile* CheckRecord::lastCheckOf(
    const std::string& path, const platform::FileIdentity& identity) const
{
    const CheckedFile* found = nullptr;
    if (auto it = m_byPath.find(path); it != m_byPath.end() && sameBytes(it->second.identity, identity))
        found = &it->second;
    const auto [first, last] = m_byInode.equal_range(identity.inode);
    for (auto it = first; it != last; ++it) {
        const CheckedFile& other = m_byPath.at(it->second);
        if (other.identity.device == identity.device && sameBytes(other.identity, identity)
            && (!found || other.checked > found->checked))
            found = &other;
    }
    return found;
}

void CheckRecord::add(const CheckedFile& file)
{
    if (auto it = m_byPath.find(file.path); it != m_byPath.end()) {
        const auto [first, last] = m_byInode.equal_range(it->second.identity.inode);
        for (auto old = first; old != last; ++old)
            if (old->second == file.path) {
                m_byInode.erase(old);
                break;
            }
    }
    m_byPath[file.path] = file;
    m_byInode.emplace(file.identity.inode, file.path);
}

std::vector<CheckedFile> CheckRecord::latest() const
{
    std::vector<CheckedFile> files;
    files.reserve(m_byPath.size());
    for (const auto& [path, file] : m_byPath)
        files.push_back(file);
    return files;
}

std::string CheckRecordPath(const std::string& backupTarget)
{
    return AddBackslash(backupTarget) + kCheckRecord;
}

std::string CheckLine(const CheckedFile& file)
{
    const auto& id = file.identity;
    const std::string size = std::to_string(id.size), modified = std::to_string(id.modified),
                      device = std::to_string(id.device), inode = std::to_string(id.inode),
                      checked = std::to_string(file.checked), millis = std::to_string(file.millis);
    return JournalLine(
        kTag, { file.path, size, modified, device, inode, checked, file.good ? kGood : kDamaged, millis });
}

platform::Status AppendCheck(const std::string& backupTarget, const CheckedFile& file)
{
    // Something else by the record's name (a FIFO would hold the check up for good) is left alone.
    const std::string path = CheckRecordPath(backupTarget);
    if (platform::fileExists(path) && !platform::isRegularFileItself(path))
        return platform::Status::failure(path + " is not a plain file");
    return platform::appendFile(CheckRecordPath(backupTarget), CheckLine(file));
}

platform::Status RewriteCheckRecord(const std::string& backupTarget, const std::vector<CheckedFile>& files)
{
    std::string bytes;
    for (const CheckedFile& file : files)
        bytes += CheckLine(file);
    return platform::replaceFileAtomically(CheckRecordPath(backupTarget), bytes);
}

bool IsKnownDamaged(const std::string& backupTarget, const std::string& archivePath)
{
    const std::string top = AddBackslash(backupTarget);
    if (!archivePath.starts_with(top))
        return false;
    const auto identity = platform::fileIdentity(archivePath);
    if (!identity)
        return false;
    // A backup asks once per folder: the record is read again only when it changed.
    static std::string cachedTarget;
    static platform::FileIdentity cachedIdentity;
    static CheckRecord cached;
    const auto recordIdentity = platform::fileIdentity(CheckRecordPath(backupTarget));
    if (!recordIdentity)
        return false;
    const auto& r = *recordIdentity;
    if (cachedTarget != top || cachedIdentity.inode != r.inode || cachedIdentity.size != r.size
        || cachedIdentity.modified != r.modified || cachedIdentity.device != r.device) {
        cached = CheckRecord::read(backupTarget);
        cachedTarget = top;
        cachedIdentity = r;
    }
    const CheckedFile* last = cached.lastCheckOf(archivePath.substr(top.size()), *identity);
    return last && !last->good;
}
