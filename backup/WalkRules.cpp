#include "backup/WalkRules.h"

#include "platform/FileOps.h"
#include "platform/Listing.h"
#include "store/MainFields.h"

#include <algorithm>
#include <iterator>
#include <string_view>

WalkRules::WalkRules(const MainFields& main)
    : m_patterns(main.exclusionPatterns())
    , m_hiddenToo(main.backUpHiddenFolders())
{
}

void WalkRules::enterSource(const std::string& root, const std::string& typed)
{
    m_sources.push_back({ root, typed });
}

void WalkRules::found()
{
    // Folders are found one source after the other, so a source is kept
    // once, with the first folder found through it, not once per folder.
    const std::size_t source = m_sources.empty() ? kNoSource : m_sources.size() - 1;
    if (m_sourceStarts.empty() || m_sourceStarts.back().source != source)
        m_sourceStarts.push_back({ m_foundCount, source });
    ++m_foundCount;
}

const WalkRules::Source& WalkRules::sourceOf(std::size_t index, const std::string& folder) const
{
    const auto after = std::upper_bound(m_sourceStarts.begin(), m_sourceStarts.end(), index,
        [](std::size_t i, const SourceStart& start) { return i < start.firstFolder; });
    if (index < m_foundCount && after != m_sourceStarts.begin()) {
        const std::size_t at = std::prev(after)->source;
        if (at < m_sources.size() && folder.starts_with(m_sources[at].root))
            return m_sources[at];
    }
    // A folder collected on its own, not through FindFolders: it is its own source.
    return m_whole;
}

std::string WalkRules::whyFolderLeftOut(const std::string& parent, const std::string& name) const
{
    if (HoldsCacheTag(parent + name + "/"))
        return std::string("it is a cache folder (") + kCacheTag + ")";
    if (m_patterns.empty())
        return {};
    const Source& source
        = m_sources.empty() || !parent.starts_with(m_sources.back().root) ? m_whole : m_sources.back();
    const std::string pattern = patternFor(parent, name, true, source);
    return pattern.empty() ? std::string() : ByPattern(pattern);
}

std::vector<WalkRules::LeftOutName> WalkRules::namesLeftOut(
    std::size_t index, const std::string& folder, const std::vector<std::string>& names) const
{
    std::vector<LeftOutName> left;
    if (m_patterns.empty())
        return left;
    const Source& source = sourceOf(index, folder);
    for (const std::string& name : names) {
        if (std::string pattern = patternFor(folder, name, false, source); !pattern.empty())
            left.push_back({ name, std::move(pattern) });
    }
    return left;
}

std::string WalkRules::patternFor(
    const std::string& parent, const std::string& name, bool folder, const Source& source) const
{
    const std::string real = parent + name;
    const std::string relative = real.substr(source.root.size());
    const std::string typed = source.typed + relative;
    return m_patterns.leavingOut({ name, relative, real, typed }, folder);
}

bool HoldsCacheTag(const std::string& folder)
{
    static constexpr std::string_view kSignature = "Signature: 8a477f597d28d172789f06886806bc55";
    // A FIFO of that name would hold the walk up for good.
    const std::string tag = folder + kCacheTag;
    if (!platform::isPlainFile(tag))
        return false;
    auto start = platform::readFileStart(tag, kSignature.size());
    return start && *start == kSignature;
}

std::string ByPattern(const std::string& pattern)
{
    return "pattern " + pattern;
}
