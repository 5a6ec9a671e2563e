#include "pathutil/Module1.h"

#include "platform/FileSystem.h"

#include <vector>

namespace {

const char kMarker[] = "_P-";

std::string replaceAll(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return out;
        }
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
}

std::string trimSpaces(const std::string& text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool isKept(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string AddBackslash(const std::string& path, const platform::PathStyle& style)
{
    std::string copy = path;
    if (copy.empty() || copy.back() != style.separator)
        copy += style.separator;
    const std::string pair(2, style.separator);
    return replaceAll(copy, pair, std::string(1, style.separator));
}

std::string ShortPath(const std::string& path)
{
    return platform::shortPath(path);
}

std::string PathPart(const std::string& path, std::int32_t n, const platform::PathStyle& style)
{
    const char sep = style.separator;
    const std::string drive = path.substr(0, style.rootLength);
    std::string rest = path.size() > style.rootLength ? path.substr(style.rootLength) : std::string();
    std::string acc;
    std::int64_t i = 0;
    while (!rest.empty() && i != n) {
        std::size_t k = rest.find(sep);
        if (k == std::string::npos)
            return {};
        acc.append(rest, 0, k);
        acc += sep;
        rest.erase(0, k + 1);
        ++i;
    }
    if (i < 0 || i > n || rest.empty())
        return {};
    std::size_t k = rest.find(sep);
    return drive + acc + (k == std::string::npos ? std::string() : rest.substr(0, k + 1));
}

void MakeFolders(const std::string& path, const platform::PathStyle& style)
{
    std::vector<std::string> levels;
    for (std::string part = PathPart(path, 0, style); !part.empty();
         part = PathPart(path, static_cast<std::int32_t>(levels.size()), style)) {
        part.pop_back(); // without its trailing separator
        levels.push_back(std::move(part));
    }
    // Making a level that is already there fails and changes nothing, so
    // the levels down to the deepest existing folder are skipped: a restore
    // making one new folder beside its siblings asks for one folder, not for
    // every level from the root.
    std::size_t first = levels.size();
    while (first > 0 && !platform::folderExists(levels[first - 1]))
        --first;
    for (std::size_t i = first; i < levels.size(); ++i)
        (void)platform::createFolder(levels[i]);
}

std::string EscapeString(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    const std::string t = trimSpaces(text);
    std::string out;
    out.reserve(t.size() * 3);
    for (char ch : t) {
        auto c = static_cast<unsigned char>(ch);
        if (isKept(c)) {
            out += ch;
            continue;
        }
        // Two digits always: codes below 16 get a leading zero, so that the
        // unescaping, which reads two digits, restores every byte.
        out += '%';
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

std::string UnescapeString(const std::string& text)
{
    const std::string t = trimSpaces(text);
    const std::size_t n = t.size();
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (t[i] != '%') {
            out += t[i];
            continue;
        }
        int value = 0;
        for (std::size_t j = i + 1; j < n && j <= i + 2; ++j) {
            int digit = hexValue(t[j]);
            if (digit < 0)
                break;
            value = value * 16 + digit;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::string EncodePath(const std::string& path)
{
    if (path.find(kMarker) != std::string::npos)
        return path;
    return replaceAll(EscapeString(path), "%", kMarker);
}

std::string DecodePath(const std::string& name)
{
    if (name.find(kMarker) == std::string::npos)
        return name;
    std::string s = UnescapeString(replaceAll(name, kMarker, "%"));
    if (s.find(kMarker) != std::string::npos)
        s = UnescapeString(replaceAll(s, kMarker, "%"));
    return s;
}
