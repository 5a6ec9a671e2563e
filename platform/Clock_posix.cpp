#include "platform/Clock.h"

#include <clocale>
#include <cstring>
#include <ctime>
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

bool parsesWhole(const std::string& text, const char* format)
{
    std::tm parsed{};
    const char* end = ::strptime(text.c_str(), format, &parsed);
    if (!end)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    return *end == '\0';
}

} // namespace

std::tm Clock::localNow() const
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
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
