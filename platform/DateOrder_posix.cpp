#include "platform/DateOrder.h"

namespace platform {
namespace {

std::optional<std::tm> parsedWhole(const std::string& text, const char* format)
{
    std::tm parsed{};
    const char* end = ::strptime(text.c_str(), format, &parsed);
    if (!end)
        return std::nullopt;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return std::nullopt;
    return parsed;
}

} // namespace

std::optional<std::time_t> dateTextMoment(const std::string& text)
{
    auto parsed = parsedWhole(text, "%x %X");
    if (!parsed)
        parsed = parsedWhole(text, "%x");
    if (!parsed)
        return std::nullopt;
    parsed->tm_isdst = -1; // summer time as it held on that day
    return std::mktime(&*parsed);
}

} // namespace platform
