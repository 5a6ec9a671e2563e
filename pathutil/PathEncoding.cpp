#include "pathutil/PathEncoding.h"

#include "pathutil/ReplaceAll.h"

namespace {

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
    if (path.find(kEncodedEscape) != std::string::npos)
        return path;
    return ReplaceAll(EscapeString(path), "%", kEncodedEscape);
}

std::string DecodePath(const std::string& name)
{
    if (name.find(kEncodedEscape) == std::string::npos)
        return name;
    std::string s = UnescapeString(ReplaceAll(name, kEncodedEscape, "%"));
    if (s.find(kEncodedEscape) != std::string::npos)
        s = UnescapeString(ReplaceAll(s, kEncodedEscape, "%"));
    return s;
}
