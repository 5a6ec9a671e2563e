#include "exclude/ExcludePatterns.h"

#include "exclude/PatternMatch.h"

#include <optional>

struct ExcludePatterns::Pattern {
    enum Anchor { Anywhere, BelowSource, OnePlace };
    std::string text; // as written
    Anchor anchor = Anywhere;
    bool foldersOnly = false;
    exclude::Glob glob;
};

namespace {

bool escapedAt(std::string_view line, std::size_t at)
{
    std::size_t backslashes = 0;
    while (at > backslashes && line[at - backslashes - 1] == '\\')
        ++backslashes;
    return backslashes % 2 == 1;
}

// The line without the spaces that end it, unless a backslash keeps the last of them.
std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t') && !escapedAt(line, line.size() - 1))
        line.remove_suffix(1);
    return line;
}

} // namespace

ExcludePatterns::ExcludePatterns() = default;
ExcludePatterns::ExcludePatterns(const ExcludePatterns&) = default;
ExcludePatterns& ExcludePatterns::operator=(const ExcludePatterns&) = default;
ExcludePatterns::~ExcludePatterns() = default;

ExcludePatterns::ExcludePatterns(const std::vector<std::string>& lines)
{
    for (const std::string& written : lines) {
        std::string_view line = trimmed(written);
        if (line.empty() || line.front() == '#')
            continue;
        const auto refuse = [this, &written](const std::string& why) {
            m_refusals.push_back("Exclusion pattern not used, " + why + ": " + written);
        };
        if (line.front() == '!') {
            refuse("taking back what another pattern leaves out (!) is not supported");
            continue;
        }
        Pattern pattern;
        pattern.text = written;
        while (line.size() > 1 && line.back() == '/' && !escapedAt(line, line.size() - 1)) {
            line.remove_suffix(1);
            pattern.foldersOnly = true;
        }
        if (line == "/") {
            refuse("it names no file or folder");
            continue;
        }
        if (line.front() == '/')
            pattern.anchor = Pattern::OnePlace;
        else if (line.find('/') != std::string_view::npos)
            pattern.anchor = Pattern::BelowSource;
        std::string why;
        auto glob = exclude::compileGlob(line, why);
        if (!glob) {
            refuse(why);
            continue;
        }
        pattern.glob = std::move(*glob);
        m_patterns.push_back(std::move(pattern));
    }
}

bool ExcludePatterns::empty() const
{
    return m_patterns.empty();
}

std::string ExcludePatterns::leavingOut(const ExcludePlace& place, bool folder) const
{
    for (const Pattern& pattern : m_patterns) {
        if (pattern.foldersOnly && !folder)
            continue;
        bool matched = false;
        switch (pattern.anchor) {
        case Pattern::Anywhere:
            matched = exclude::globMatches(pattern.glob, place.name);
            break;
        case Pattern::BelowSource:
            matched = exclude::globMatches(pattern.glob, place.relative);
            break;
        case Pattern::OnePlace:
            // Sources are walked by their real paths; the user may have
            // written the pattern by the path as typed, through a link.
            matched = exclude::globMatches(pattern.glob, place.real)
                || (place.typed != place.real && exclude::globMatches(pattern.glob, place.typed));
            break;
        }
        if (matched)
            return pattern.text;
    }
    return {};
}
