#include "platform/Clock.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <locale.h>
#include <time.h>

namespace platform {
namespace {

Clock g_systemClock;
Clock* g_clock = nullptr;

std::string formatTime(const char* format, const std::tm& when)
{
    char buffer[256];
    std::size_t n = std::strftime(buffer, sizeof buffer, format, &when);
    return std::string(buffer, n);
}

// The days of a month (0 to 11) of a year counted from 1900.
int daysInMonth(int month, int year)
{
    static const int kDays[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const int fullYear = year + 1900;
    const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
    return month == 1 && leap ? 29 : kDays[month];
}

bool parsesWhole(const std::string& text, const char* format, std::tm* into = nullptr)
{
    std::tm parsed{};
    const char* end = ::strptime(text.c_str(), format, &parsed);
    if (!end)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return false;
    // strptime takes any day up to 31 in every month.
    if (parsed.tm_mday > 0 && parsed.tm_mon >= 0 && parsed.tm_mon < 12
        && parsed.tm_mday > daysInMonth(parsed.tm_mon, parsed.tm_year))
        return false;
    if (into)
        *into = parsed;
    return true;
}

// The moment a text names under the thread's current regional settings.
std::optional<std::time_t> parsedInCurrentLocale(const std::string& text)
{
    std::tm parsed{};
    if (!parsesWhole(text, "%x %X", &parsed) && !parsesWhole(text, "%x", &parsed))
        return std::nullopt;
    parsed.tm_isdst = -1;
    return std::mktime(&parsed);
}

std::optional<std::time_t> parsedInIsoForm(const std::string& text)
{
    std::tm parsed{};
    if (!parsesWhole(text, "%Y-%m-%d %H:%M:%S", &parsed) && !parsesWhole(text, "%Y-%m-%d", &parsed))
        return std::nullopt;
    parsed.tm_isdst = -1;
    return std::mktime(&parsed);
}

void addLocalesOf(FILE* listing, std::vector<std::string>& names)
{
    char line[256];
    while (std::fgets(line, sizeof line, listing)) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
            name.pop_back();
        if (!name.empty())
            names.push_back(name);
    }
}

std::vector<std::string> listLocales()
{
    std::vector<std::string> names;
    if (FILE* listing = ::popen("locale -a 2>/dev/null", "r")) {
        addLocalesOf(listing, names);
        ::pclose(listing);
    }
    if (const char* locPath = std::getenv("LOCPATH")) {
        if (DIR* dir = ::opendir(locPath)) {
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_name[0] != '.')
                    names.emplace_back(entry->d_name);
            }
            ::closedir(dir);
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// One locale object per regional setting, made once: making them is what
// costs, reading a date under one is cheap.
// They are freed when the program ends, so that nothing of them is left
// behind for a leak checker to find.
struct TimeLocales {
    TimeLocales()
    {
        for (const std::string& name : availableLocales()) {
            if (locale_t loc = ::newlocale(LC_TIME_MASK, name.c_str(), locale_t(nullptr)))
                all.push_back(loc);
        }
    }
    ~TimeLocales()
    {
        for (locale_t loc : all)
            ::freelocale(loc);
    }
    TimeLocales(const TimeLocales&) = delete;
    TimeLocales& operator=(const TimeLocales&) = delete;
    std::vector<locale_t> all;
};

const std::vector<locale_t>& timeLocales()
{
    static const TimeLocales locales;
    return locales.all;
}

} // namespace

std::tm Clock::localNow() const
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

std::tm localCalendar(std::time_t moment)
{
    std::tm local{};
    ::localtime_r(&moment, &local);
    return local;
}

std::chrono::steady_clock::time_point Clock::monotonicNow() const
{
    return std::chrono::steady_clock::now();
}

Clock& clock()
{
    return g_clock ? *g_clock : g_systemClock;
}

void setClock(Clock* clock)
{
    g_clock = clock;
}

void initLocale()
{
    std::setlocale(LC_ALL, "");
}

std::string formatDateText(const std::tm& when)
{
    if (when.tm_hour == 0 && when.tm_min == 0 && when.tm_sec == 0)
        return formatTime("%x", when);
    return formatTime("%x %X", when);
}

bool isDateText(const std::string& text)
{
    if (text.empty() || text.find('\0') != std::string::npos)
        return false;
    return parsesWhole(text, "%x %X") || parsesWhole(text, "%x");
}

} // namespace platform

namespace platform {

const std::vector<std::string>& availableLocales()
{
    static const std::vector<std::string> names = listLocales();
    return names;
}

std::optional<std::time_t> parseDateText(const std::string& text)
{
    if (text.empty() || text.find('\0') != std::string::npos)
        return std::nullopt;
    if (auto when = parsedInCurrentLocale(text))
        return when;
    if (auto when = parsedInIsoForm(text))
        return when;
    const locale_t previous = ::uselocale(locale_t(nullptr));
    std::optional<std::time_t> found;
    for (locale_t loc : timeLocales()) {
        ::uselocale(loc);
        found = parsedInCurrentLocale(text);
        if (found)
            break;
    }
    ::uselocale(previous);
    return found;
}

} // namespace platform
