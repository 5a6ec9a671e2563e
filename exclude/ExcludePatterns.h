#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The patterns of what a backup leaves out, written one per line as in a
// .gitignore file:
//   *.iso               a name anywhere (no '/' in it)
//   node_modules/       a trailing '/': folders only
//   /home/me/Videos/    a leading '/': that one place, by its full path
//   docs/*.tmp          a '/' inside: a path below each source folder
//   **/build/  a/**  a/**/b   any number of folders
//   [a-z] [!0-9]  ?  *  classes, one character, any run of characters but '/'
//   \#  \!  \*  \   a backslash takes the next character as it is
//   # a comment; blank lines are left alone
// A line beginning with '!' would take back what an earlier line left out;
// the walk never looks again at what it left out, so such lines are refused,
// as is a line that does not read as a pattern.

// Where an entry lies, in every form a pattern may be matched against.
struct ExcludePlace {
    std::string_view name; // the entry's own name
    std::string_view relative; // its path below the source folder
    std::string_view real; // its full real path, as the walk reaches it
    std::string_view typed; // its full path below the source folder as the user wrote that
};

class ExcludePatterns {
public:
    ExcludePatterns();
    explicit ExcludePatterns(const std::vector<std::string>& lines);
    ExcludePatterns(const ExcludePatterns&);
    ExcludePatterns& operator=(const ExcludePatterns&);
    ~ExcludePatterns();

    // No pattern is in use.
    bool empty() const;

    // One line per line not used, saying why and quoting it.
    const std::vector<std::string>& refusals() const { return m_refusals; }

    // The first pattern (as written) that leaves the entry out, or empty
    // when none does. `folder` tells a folder from any other entry.
    std::string leavingOut(const ExcludePlace& place, bool folder) const;

private:
    struct Pattern;
    std::vector<Pattern> m_patterns;
    std::vector<std::string> m_refusals;
};
