#include "app/CheckSettings.h"

#include "app/MainSettings.h"
#include "check/CheckStatus.h"
#include "platform/SettingsFile.h"

#include <charconv>
#include <string>

int savedCheckDays()
{
    const platform::SettingsFile store(mainSettingsPath());
    const std::string text = store.readValue("Options", "CheckDays", "");
    int days = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, days);
    // Ten years at most: a longer span is a typing error, not a wish.
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || days < 1 || days > 3650)
        return kDefaultCheckDays;
    return days;
}
