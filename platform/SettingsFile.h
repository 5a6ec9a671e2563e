#pragma once

#include "platform/Result.h"

#include <string>
#include <utility>
#include <vector>

namespace platform {

using SettingPairs = std::vector<std::pair<std::string, std::string>>;

// A per-user settings store: sections of (key, value) texts in an INI-style
// file, <config home>/<application>/settings.ini.
//
// - A section lists its keys in the order they were written.
// - Every value comes back exactly as written: spaces at either end, "=",
//   ";", "#", "[", backslashes, line breaks and bytes that are not UTF-8 are
//   escaped in the file ("\\", "\n", "\r", "\t", "\xHH") and unescaped on
//   reading; valid UTF-8 stays readable.
// - The file stays editable by hand: comment lines begin with ";" or "#",
//   blanks around "=" are ignored, sections and keys match without regard to
//   ASCII case.
// - The file is replaced atomically, so it is either the old or the new one.
// - A file that cannot be read whole (unreadable, truncated, binary) does not
//   stop the program: the store starts with every line that could be read,
//   and the file is moved aside to settings.ini.bad-<date>-<time> so that
//   the next save cannot overwrite it.
//
// Changes are made in memory; save() writes them all in one replacement.
class SettingsFile {
public:
    static std::string pathFor(const std::string& application);

    explicit SettingsFile(std::string path);

    // The stored value, or the fallback when the section or key is missing.
    std::string readValue(
        const std::string& section, const std::string& key, const std::string& fallback) const;
    // Creates the section and key as needed; replaces an existing value.
    void writeValue(const std::string& section, const std::string& key, const std::string& value);
    // Removes the section with all its keys; fails when there is none.
    Status deleteSection(const std::string& section);
    // The section's pairs in write order; empty when the section is missing.
    SettingPairs listSection(const std::string& section) const;

    // Writes the whole store to its file, creating its folder (user-only).
    Status save();

    const std::string& path() const { return m_path; }
    // Where an unreadable file was moved; empty when the file was sound.
    const std::string& setAsidePath() const { return m_setAside; }

private:
    struct Section {
        std::string name;
        SettingPairs pairs;
    };

    Section* findSection(const std::string& name);
    const Section* findSection(const std::string& name) const;
    void load();
    void setAside();

    std::string m_path;
    std::string m_setAside;
    std::vector<Section> m_sections;
    bool m_mayWrite = true;
};

} // namespace platform
