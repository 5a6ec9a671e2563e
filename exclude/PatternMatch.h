#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One compiled glob: the pieces a pattern line is made of, and matching a
// whole text against them. '/' is matched only by itself and by "**".
namespace exclude {

struct CharRange {
    char32_t first = 0;
    char32_t last = 0;
};

struct Piece {
    enum Kind {
        Byte, // the byte `byte`, as it is
        One, // one character, not '/'
        Star, // any run of characters, none of them '/'
        Class, // one character of `ranges` (or not of them when `negated`), not '/'
        Folders, // "**/": nothing, or any run of whole folder names each with its '/'
        Rest, // a trailing "**": anything at all
    };
    Kind kind = Byte;
    char byte = 0;
    bool negated = false;
    std::vector<CharRange> ranges;
};

struct Glob {
    std::vector<Piece> pieces;
};

// Compiles a glob; on failure, says why in `why` and gives none.
std::optional<Glob> compileGlob(std::string_view text, std::string& why);

// True when the glob matches the whole text.
bool globMatches(const Glob& glob, std::string_view text);

} // namespace exclude
