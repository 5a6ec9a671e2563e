// The run-folder date test: a restore offers every name in the backup target
// that decodes to a date under the user's regional settings, so any name a
// damaged or crafted store holds goes through isDateText. The first byte
// picks the regional setting (the C ones and each the tests compile, found
// through LOCPATH); the rest is the name, tested as it is and decoded.
//
// The other way round, every run folder a backup names must be offered: the
// date text of any time from the rest's first bytes, encoded as a run
// folder's name and decoded again, reads as a date.

#include "fuzz/FuzzSupport.h"
#include "pathutil/PathEncoding.h"
#include "platform/Clock.h"
#include "store/StoreLayout.h"

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

const char* const kLocales[] = { "C", "C.UTF-8", "de_DE.UTF-8", "sv_SE.UTF-8", "en_US.UTF-8" };
constexpr std::size_t kLocaleCount = sizeof kLocales / sizeof kLocales[0];

void useLocale(std::size_t index)
{
    if (!std::setlocale(LC_ALL, kLocales[index]))
        fuzzsupport::fail(std::string("the regional setting ") + kLocales[index]
            + " is missing; compile it with tests/support/make-locales.sh and set LOCPATH");
}

int daysIn(int month, int year)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 1 && leap ? 29 : days[month];
}

// A time between 1970 and 2099 from six bytes, normalised by the C library.
std::tm timeFrom(const std::uint8_t* b)
{
    std::tm when{};
    when.tm_year = 70 + b[0] % 130;
    when.tm_mon = b[1] % 12;
    when.tm_mday = 1 + b[2] % daysIn(when.tm_mon, 1900 + when.tm_year);
    when.tm_hour = b[3] % 24;
    when.tm_min = b[4] % 60;
    when.tm_sec = b[5] % 60;
    when.tm_isdst = -1;
    std::tm copy = when;
    (void)::timegm(&copy); // fills in the day of the week and of the year
    when.tm_wday = copy.tm_wday;
    when.tm_yday = copy.tm_yday;
    return when;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every setting must be there before the first input: a run that quietly
    // tested only "C" would pass for the wrong reason.
    for (std::size_t i = 0; i < kLocaleCount; ++i)
        useLocale(i);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    useLocale(data[0] % kLocaleCount);
    const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)platform::isDateText(name);
    (void)platform::isDateText(DecodePath(name));

    if (size >= 7) {
        const std::string dateText = DateText(timeFrom(data + 1));
        const std::string folder = RunFolderPath("/backup", dateText);
        const std::string folderName = folder.substr(folder.rfind('/') + 1);
        FUZZ_CHECK(DecodePath(folderName) == dateText, fuzzsupport::visible(dateText));
        FUZZ_CHECK(platform::isDateText(DecodePath(folderName)),
            std::string(kLocales[data[0] % kLocaleCount]) + ": " + fuzzsupport::visible(dateText));
    }
    return 0;
}
