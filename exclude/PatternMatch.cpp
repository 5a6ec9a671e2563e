#include "exclude/PatternMatch.h"

namespace exclude {

namespace {

// The character at `at` and its length in bytes. A byte that does not begin
// a well-formed UTF-8 sequence is a character of its own, so names in any
// encoding still match byte by byte.
std::size_t decode(std::string_view text, std::size_t at, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    code = lead;
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > text.size())
        return 1;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 1;
        value = (value << 6) | (next & 0x3F);
    }
    code = value;
    return length;
}

// Reads one member of a class, with its escape; false at the end of the text.
bool classMember(std::string_view text, std::size_t& at, char32_t& code)
{
    if (at < text.size() && text[at] == '\\')
        ++at;
    if (at >= text.size())
        return false;
    at += decode(text, at, code);
    return true;
}

std::optional<Piece> compileClass(std::string_view text, std::size_t& at, std::string& why)
{
    Piece piece;
    piece.kind = Piece::Class;
    std::size_t j = at + 1;
    if (j < text.size() && (text[j] == '!' || text[j] == '^')) {
        piece.negated = true;
        ++j;
    }
    // A ']' first in the class is one of its members.
    for (bool first = true;; first = false) {
        if (j >= text.size()) {
            why = "a [ without its closing ]";
            return std::nullopt;
        }
        if (text[j] == ']' && !first)
            break;
        CharRange range;
        if (!classMember(text, j, range.first)) {
            why = "a [ without its closing ]";
            return std::nullopt;
        }
        range.last = range.first;
        if (j + 1 < text.size() && text[j] == '-' && text[j + 1] != ']') {
            ++j;
            if (!classMember(text, j, range.last)) {
                why = "a [ without its closing ]";
                return std::nullopt;
            }
            if (range.last < range.first) {
                why = "a range in [ ] that runs backwards";
                return std::nullopt;
            }
        }
        piece.ranges.push_back(range);
    }
    at = j + 1;
    return piece;
}

class Matcher {
public:
    Matcher(const Glob& glob, std::string_view text)
        : m_pieces(glob.pieces)
        , m_text(text)
        , m_known((m_pieces.size() + 1) * (text.size() + 1), 0)
    {
    }

    bool matches(std::size_t p, std::size_t t)
    {
        signed char& known = m_known[p * (m_text.size() + 1) + t];
        if (known == 0)
            known = work(p, t) ? 1 : -1;
        return known > 0;
    }

private:
    bool work(std::size_t p, std::size_t t)
    {
        if (p == m_pieces.size())
            return t == m_text.size();
        const Piece& piece = m_pieces[p];
        const bool more = t < m_text.size();
        switch (piece.kind) {
        case Piece::Byte:
            return more && m_text[t] == piece.byte && matches(p + 1, t + 1);
        case Piece::One: {
            char32_t code = 0;
            return more && m_text[t] != '/' && matches(p + 1, t + decode(m_text, t, code));
        }
        case Piece::Class: {
            if (!more || m_text[t] == '/')
                return false;
            char32_t code = 0;
            const std::size_t length = decode(m_text, t, code);
            bool in = false;
            for (const CharRange& range : piece.ranges)
                in = in || (code >= range.first && code <= range.last);
            return in != piece.negated && matches(p + 1, t + length);
        }
        case Piece::Star:
            for (std::size_t k = t;; ++k) {
                if (matches(p + 1, k))
                    return true;
                if (k == m_text.size() || m_text[k] == '/')
                    return false;
            }
        case Piece::Folders:
            if (matches(p + 1, t))
                return true;
            for (std::size_t k = t; k < m_text.size(); ++k) {
                if (m_text[k] == '/' && k > t && matches(p + 1, k + 1))
                    return true;
            }
            return false;
        case Piece::Rest:
            return true;
        }
        return false;
    }

    const std::vector<Piece>& m_pieces;
    std::string_view m_text;
    std::vector<signed char> m_known; // per piece and position: 0 not yet known, 1 matches, -1 not
};

} // namespace

std::optional<Glob> compileGlob(std::string_view text, std::string& why)
{
    Glob glob;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\\') {
            if (at + 1 == text.size()) {
                why = "it ends in a lone \\";
                return std::nullopt;
            }
            glob.pieces.push_back({ Piece::Byte, text[at + 1], false, {} });
            at += 2;
        } else if (c == '*') {
            std::size_t stars = 0;
            while (at + stars < text.size() && text[at + stars] == '*')
                ++stars;
            const std::size_t after = at + stars;
            // "**" counts only as a whole folder name; anywhere else it is one '*'.
            const bool whole = stars >= 2 && (at == 0 || text[at - 1] == '/');
            if (whole && after == text.size()) {
                glob.pieces.push_back({ Piece::Rest, 0, false, {} });
                at = after;
            } else if (whole && text[after] == '/') {
                glob.pieces.push_back({ Piece::Folders, 0, false, {} });
                at = after + 1;
            } else {
                glob.pieces.push_back({ Piece::Star, 0, false, {} });
                at = after;
            }
        } else if (c == '?') {
            glob.pieces.push_back({ Piece::One, 0, false, {} });
            ++at;
        } else if (c == '[') {
            auto piece = compileClass(text, at, why);
            if (!piece)
                return std::nullopt;
            glob.pieces.push_back(std::move(*piece));
        } else {
            glob.pieces.push_back({ Piece::Byte, c, false, {} });
            ++at;
        }
    }
    return glob;
}

bool globMatches(const Glob& glob, std::string_view text)
{
    Matcher matcher(glob, text);
    return matcher.matches(0, 0);
}

} // namespace exclude
