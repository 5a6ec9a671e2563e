#include "store/FolderSeen.h"

#include <charconv>

namespace {

// The fields before the entries: archive, path, file system, inode, too
// recent, number of entries.
constexpr std::size_t kHeadFields = 6;
constexpr std::size_t kEntryFields = 6;

template <typename T> std::optional<T> number(const std::string& text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end)
        return std::nullopt;
    // One way only to write a number: no leading zeros or plus signs.
    if (std::to_string(value) != text)
        return std::nullopt;
    return value;
}

} // namespace

std::vector<std::string> SeenFields(const FolderSeen& seen)
{
    std::vector<std::string> fields;
    fields.reserve(kHeadFields + kEntryFields * seen.entries.size());
    fields.push_back(seen.archive);
    fields.push_back(seen.path);
    fields.push_back(std::to_string(seen.fileSystem));
    fields.push_back(std::to_string(seen.inode));
    fields.push_back(seen.tooRecent ? "1" : "0");
    fields.push_back(std::to_string(seen.entries.size()));
    for (const SeenEntry& entry : seen.entries) {
        fields.push_back(entry.name);
        fields.push_back(std::to_string(entry.inode));
        fields.push_back(std::to_string(entry.size));
        fields.push_back(std::to_string(entry.mode));
        fields.push_back(std::to_string(entry.modified));
        fields.push_back(std::to_string(entry.changed));
    }
    return fields;
}

std::optional<FolderSeen> ParseSeenFields(const std::vector<std::string>& f)
{
    if (f.size() < kHeadFields || (f.size() - kHeadFields) % kEntryFields != 0)
        return std::nullopt;
    const auto fileSystem = number<std::uint64_t>(f[2]);
    const auto inode = number<std::uint64_t>(f[3]);
    const auto count = number<std::uint64_t>(f[5]);
    if (!fileSystem || !inode || !count || (f[4] != "0" && f[4] != "1") || f[0].empty() || f[1].empty()
        || *count != (f.size() - kHeadFields) / kEntryFields)
        return std::nullopt;
    FolderSeen seen{ f[0], f[1], *fileSystem, *inode, f[4] == "1", {} };
    seen.entries.reserve(*count);
    for (std::size_t at = kHeadFields; at < f.size(); at += kEntryFields) {
        const auto entryInode = number<std::uint64_t>(f[at + 1]);
        const auto size = number<std::uint64_t>(f[at + 2]);
        const auto mode = number<std::uint32_t>(f[at + 3]);
        const auto modified = number<std::int64_t>(f[at + 4]);
        const auto changed = number<std::int64_t>(f[at + 5]);
        if (f[at].empty() || !entryInode || !size || !mode || !modified || !changed)
            return std::nullopt;
        // Written in byte order, each name once: any other order is no look of ours.
        if (!seen.entries.empty() && !(seen.entries.back().name < f[at]))
            return std::nullopt;
        seen.entries.push_back({ f[at], *entryInode, *size, *mode, *modified, *changed });
    }
    return seen;
}

bool SeenTheSame(const FolderSeen& before, const FolderSeen& now)
{
    return !before.tooRecent && before.fileSystem == now.fileSystem && before.inode == now.inode
        && before.entries == now.entries;
}
