#include "platform/SettingsFile.h"

#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "platform/Listing.h"
#include "platform/UserFolders.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace platform {
namespace {

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Length of a valid UTF-8 sequence of two or more bytes at i, else 0.
std::size_t multiByteSequenceAt(const std::string& s, std::size_t i)
{
    auto byte = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    std::size_t length = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || i + length > s.size())
        return 0;
    unsigned long code = b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static const unsigned long minimum[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void appendHex(std::string& out, unsigned char c)
{
    char buffer[5];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
    out += buffer;
}

// Escapes a text for one field of a line. `special` lists the characters that
// must not appear raw anywhere in the field; `specialFirst` those that must
// not open it (they would make the line a comment or a section).
std::string escape(const std::string& text, const char* special, const char* specialFirst)
{
    std::string out;
    std::size_t firstKept = text.find_first_not_of(' ');
    std::size_t lastKept = text.find_last_not_of(' ');
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool blankAtEnd = c == ' ' && (firstKept == std::string::npos || i < firstKept || i > lastKept);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || blankAtEnd || std::strchr(special, c)
            || (i == 0 && std::strchr(specialFirst, c))) {
            appendHex(out, c);
        } else if (c >= 0x80) {
            std::size_t length = multiByteSequenceAt(text, i);
            if (length == 0) {
                appendHex(out, c);
            } else {
                out.append(text, i, length);
                i += length - 1;
            }
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes escape(); false for a malformed escape.
bool unescape(const std::string& field, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i >= field.size())
            return false;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 2 >= field.size())
                return false;
            int high = hexDigit(field[i + 1]);
            int low = hexDigit(field[i + 2]);
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::string trimBlanks(const std::string& text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool holdsControlBytes(const std::string& line)
{
    for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return true;
    }
    return false;
}

std::string timestamp()
{
    std::tm now = clock().localNow();
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &now);
    return buffer;
}

} // namespace

std::string SettingsFile::pathFor(const std::string& application)
{
    return userConfigHome() + "/" + application + "/settings.ini";
}

SettingsFile::SettingsFile(std::string path)
    : m_path(std::move(path))
{
    load();
}

void SettingsFile::load()
{
    auto bytes = readFile(m_path);
    if (!bytes) {
        // No file yet is an empty store; a file that is there but cannot be
        // read is kept for the user rather than replaced at the next save.
        if (attributes(m_path).ok())
            setAside();
        return;
    }
    const std::string& text = bytes.value();
    bool sound = true;
    Section* current = nullptr;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (holdsControlBytes(line)) {
            sound = false;
            continue;
        }
        line = trimBlanks(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        std::string name;
        if (line[0] == '[') {
            if (line.back() != ']' || !unescape(trimBlanks(line.substr(1, line.size() - 2)), name)) {
                sound = false;
                current = nullptr;
                continue;
            }
            current = findSection(name);
            if (!current) {
                m_sections.push_back({ name, {} });
                current = &m_sections.back();
            }
            continue;
        }
        // "=value" is the empty key, which save() writes so.
        std::size_t equals = line.find('=');
        std::string value;
        if (!current || equals == std::string::npos || !unescape(trimBlanks(line.substr(0, equals)), name)
            || !unescape(trimBlanks(line.substr(equals + 1)), value)) {
            sound = false;
            continue;
        }
        current->pairs.emplace_back(std::move(name), std::move(value));
    }
    if (!sound)
        setAside();
}

void SettingsFile::setAside()
{
    std::string base = m_path + ".bad-" + timestamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (attributes(target).ok())
            continue;
        if (moveFile(m_path, target)) {
            m_setAside = target;
            return;
        }
    }
    // The file could not be moved aside: leave it alone for this session.
    m_mayWrite = false;
}

SettingsFile::Section* SettingsFile::findSection(const std::string& name)
{
    for (Section& section : m_sections) {
        if (sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

const SettingsFile::Section* SettingsFile::findSection(const std::string& name) const
{
    return const_cast<SettingsFile*>(this)->findSection(name);
}

std::string SettingsFile::readValue(
    const std::string& section, const std::string& key, const std::string& fallback) const
{
    const Section* found = findSection(section);
    if (!found)
        return fallback;
    // A key written twice by hand: the later line wins, as in most INI readers.
    for (auto it = found->pairs.rbegin(); it != found->pairs.rend(); ++it) {
        if (sameName(it->first, key))
            return it->second;
    }
    return fallback;
}

void SettingsFile::writeValue(const std::string& section, const std::string& key, const std::string& value)
{
    Section* found = findSection(section);
    if (!found) {
        m_sections.push_back({ section, {} });
        found = &m_sections.back();
    }
    bool replaced = false;
    for (auto it = found->pairs.begin(); it != found->pairs.end();) {
        if (!sameName(it->first, key)) {
            ++it;
        } else if (!replaced) {
            it->second = value;
            replaced = true;
            ++it;
        } else {
            it = found->pairs.erase(it);
        }
    }
    if (!replaced)
        found->pairs.emplace_back(key, value);
}

Status SettingsFile::deleteSection(const std::string& section)
{
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
        if (sameName(it->name, section)) {
            m_sections.erase(it);
            return Status::success();
        }
    }
    return Status::failure("There is no section " + section + " in " + m_path);
}

SettingPairs SettingsFile::listSection(const std::string& section) const
{
    const Section* found = findSection(section);
    return found ? found->pairs : SettingPairs{};
}

Status SettingsFile::save()
{
    if (!m_mayWrite)
        return Status::failure(
            "The settings file " + m_path + " could not be read or moved aside; it is left as it is");
    std::string text;
    for (const Section& section : m_sections) {
        if (!text.empty())
            text += '\n';
        // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about
        // "[" + std::string&& in an optimised build.
        text += '[';
        text += escape(section.name, "]", "");
        text += "]\n";
        for (const auto& [key, value] : section.pairs)
            text += escape(key, "=", "[;#") + "=" + escape(value, "", "") + "\n";
    }
    std::size_t slash = m_path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makePrivateFolders(m_path.substr(0, slash)))
        return Status::failure("Cannot create the folder of " + m_path);
    return replaceFileAtomically(m_path, text);
}

} // namespace platform
