#pragma once

#include "exclude/ExcludePatterns.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MainFields;

// What a backup leaves out by the user's choice rather than of necessity:
// cache folders (a CACHEDIR.TAG with its signature), the exclusion patterns,
// and hidden folders unless they are asked for. The walk and its preview
// both ask here, so a preview shows what the backup then does. A source
// folder itself is always taken: the rules apply to what lies in it.
class WalkRules {
public:
    WalkRules() = default;
    explicit WalkRules(const MainFields& main);

    bool hiddenToo() const { return m_hiddenToo; }
    // One line per pattern line not used, saying why.
    const std::vector<std::string>& refusals() const { return m_patterns.refusals(); }

    // The walk goes below this source from now on: its real path and its
    // path as the user wrote it, each with one trailing separator.
    void enterSource(const std::string& root, const std::string& typed);
    // The walk found a folder below the current source: the next in its list.
    void found();

    // Why the folder `name` directly in `parent` (with its separator) is
    // left out, for the log and the preview, or empty when it is walked.
    std::string whyFolderLeftOut(const std::string& parent, const std::string& name) const;

    // The names among `names`, the entries directly in `folder` (the
    // `index`-th folder found), that the patterns leave out, with the pattern
    // of each; in the order given.
    struct LeftOutName {
        std::string name;
        std::string pattern;
    };
    std::vector<LeftOutName> namesLeftOut(
        std::size_t index, const std::string& folder, const std::vector<std::string>& names) const;

    // Notes a folder the walk left out (the topmost of what it leaves out)
    // and why, for the preview.
    void noteLeftOut(const std::string& folder, const std::string& why)
    {
        m_leftOut.push_back({ folder, why });
    }
    struct LeftOutFolder {
        std::string folder;
        std::string why;
    };
    const std::vector<LeftOutFolder>& leftOutFolders() const { return m_leftOut; }
    bool patternsInUse() const { return !m_patterns.empty(); }

private:
    struct Source {
        std::string root;
        std::string typed;
    };
    std::string patternFor(
        const std::string& parent, const std::string& name, bool folder, const Source& source) const;
    const Source& sourceOf(std::size_t index, const std::string& folder) const;

    ExcludePatterns m_patterns;
    bool m_hiddenToo = false;
    std::vector<Source> m_sources;
    // Where each source's folders begin among the folders found.
    static constexpr std::size_t kNoSource = SIZE_MAX;
    struct SourceStart {
        std::size_t firstFolder; // index among the folders found
        std::size_t source; // in m_sources, or kNoSource
    };
    std::vector<SourceStart> m_sourceStarts;
    std::size_t m_foundCount = 0;
    Source m_whole{ "/", "/" }; // for folders found outside any source given
    std::vector<LeftOutFolder> m_leftOut;
};

// The name of the file that marks a cache folder.
inline constexpr char kCacheTag[] = "CACHEDIR.TAG";

// True when `folder` (with its separator) holds a cache tag whose first
// bytes are the tag's signature; any other file of that name is no tag.
bool HoldsCacheTag(const std::string& folder);

// The text a name left out by a pattern gets in logs and the preview.
std::string ByPattern(const std::string& pattern);
