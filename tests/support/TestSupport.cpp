#include "tests/support/TestSupport.h"

#include "AppInfo.h"

#include "platform/FileSystem.h"
#include "store/RunJournal.h"
#include "store/RunRecord.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir(const std::string& base, const std::string& prefix)
{
    std::string root = base.empty() ? fs::temp_directory_path().string() : base;
    std::string templ = root + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("cannot make a temporary folder under " + root);
    m_path = templ;
}

TempDir::~TempDir()
{
    if (!m_keep)
        removeTree(m_path);
}

void removeTree(const std::string& path)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return;
    for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    // Folders made unreadable are fixed above; walk again now that all can be read.
    for (auto it = fs::recursive_directory_iterator(path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path, ec);
}

void makeDirs(const std::string& path)
{
    fs::create_directories(path);
}

void writeText(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out << bytes;
}

void writeRandomFile(const std::string& path, int megabytes)
{
    std::ifstream random("/dev/urandom", std::ios::binary);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 20);
    for (int i = 0; i < megabytes; ++i) {
        random.read(block.data(), static_cast<std::streamsize>(block.size()));
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> pathsBelow(
    const std::string& root, const std::function<bool(const std::string&)>& wanted)
{
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (wanted(it->path().filename().string()))
            found.push_back(it->path().string());
    }
    return found;
}

std::vector<std::string> allNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> runNames(const std::string& backupTarget)
{
    std::vector<std::string> names = allNames(backupTarget);
    std::erase_if(names, [](const std::string& name) { return name.starts_with('.'); });
    return names;
}

std::vector<std::string> runFolderNames(const std::string& runFolder)
{
    std::vector<std::string> names = allNames(runFolder);
    std::erase(names, std::string(kRunRecord));
    std::erase(names, std::string(kRunJournal));
    return names;
}

unsigned modeOf(const std::string& path)
{
    return static_cast<unsigned>(fs::symlink_status(path).permissions()) & 07777;
}

unsigned currentUmask()
{
    TempDir dir;
    writeText(dir / "probe", "");
    return 0666 & ~modeOf(dir / "probe");
}

ScriptedMessageBoxes::ScriptedMessageBoxes(platform::MsgAnswer defaultAnswer)
    : m_default(defaultAnswer)
{
    m_previous = platform::setMessageBoxHandler(
        [this](const std::string& text, const std::string& title, int style) {
            m_shown.push_back({ text, title, style });
            if (auto always = m_always.find(title); always != m_always.end())
                return always->second;
            if (m_answers.empty())
                return m_default;
            platform::MsgAnswer answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    platform::setMessageBoxHandler(m_previous);
}

std::vector<ShownBox> ScriptedMessageBoxes::shownExcept(const std::string& title) const
{
    std::vector<ShownBox> rest;
    for (const ShownBox& box : m_shown) {
        if (box.title != title)
            rest.push_back(box);
    }
    return rest;
}

TestClock::TestClock()
{
    setLocal(2026, 12, 5, 21, 6, 11);
    platform::setClock(this);
}

TestClock::~TestClock()
{
    platform::setClock(nullptr);
}

std::chrono::steady_clock::time_point TestClock::monotonicNow() const
{
    return std::chrono::steady_clock::now() + m_offset;
}

void TestClock::setLocal(int year, int month, int day, int hour, int minute, int second)
{
    std::tm normalised = localTime(year, month, day, hour, minute, second);
    std::mktime(&normalised); // fills in the weekday and day of the year
    m_local = normalised;
}

std::tm localTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return t;
}

std::string dateText(int year, int month, int day, int hour, int minute, int second)
{
    return platform::formatDateText(localTime(year, month, day, hour, minute, second));
}

ScopedLocale::ScopedLocale(const char* name)
{
    const char* current = std::setlocale(LC_ALL, nullptr);
    m_previous = current ? current : "C";
    m_ok = std::setlocale(LC_ALL, name) != nullptr;
}

ScopedLocale::~ScopedLocale()
{
    std::setlocale(LC_ALL, m_previous.c_str());
}

ScopedAppFolder::ScopedAppFolder(bool withArchiver)
{
    if (withArchiver)
        linkArchiver(m_dir.path());
}

std::string archiverPath()
{
    return appinfo::kArchiverPath;
}

void linkArchiver(const std::string& folder)
{
    if (!platform::createSymlink(archiverPath(), folder + "/7z"))
        throw std::runtime_error("cannot link 7z into " + folder);
}

std::vector<std::string> archiveEntries(const std::string& archive)
{
    std::string command = "'" + archiverPath() + "' l -slt -ba '" + archive + "' 2>/dev/null";
    std::vector<std::string> names;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return names;
    std::array<char, 4096> line{};
    while (std::fgets(line.data(), static_cast<int>(line.size()), pipe)) {
        std::string text(line.data());
        if (text.rfind("Path = ", 0) == 0) {
            text.erase(0, 7);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            names.push_back(text);
        }
    }
    ::pclose(pipe);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> withoutRunReport(std::vector<std::string> log)
{
    std::erase_if(log, [](const std::string& line) {
        // A run's own "Error:   " line (a padded prefix) stays.
        return line.starts_with("Summary: ") || (line.starts_with("Error: ") && !line.starts_with("Error:  "))
            || line.starts_with("Warning: ");
    });
    return log;
}

} // namespace testsupport
