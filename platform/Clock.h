#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The program's one source of time, so that tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    // Local calendar time now.
    virtual std::tm localNow() const;
    // A clock that never jumps (not at midnight, not when the user sets the time).
    virtual std::chrono::steady_clock::time_point monotonicNow() const;
};

// The clock in use; the system clock unless a test installed another.
Clock& clock();

// Installs a clock for tests; nullptr restores the system clock.
void setClock(Clock* clock);

// The local calendar date and time of a moment.
std::tm localCalendar(std::time_t moment);

// Adopts the user's regional settings (LC_ALL from the environment).
void initLocale();

// The date text of a moment under the current regional settings: the short
// date, one space and the long time; the date alone exactly at midnight.
std::string formatDateText(const std::tm& when);

// True when the whole text (trailing blanks allowed) reads as a date, or a
// date and time, under the current regional settings.
bool isDateText(const std::string& text);

// The regional settings this machine has (those `locale -a` lists, and the
// compiled ones in LOCPATH), read once.
const std::vector<std::string>& availableLocales();

// The moment a date text names, as a run folder's name gives it: read under
// the current regional settings first, then in the C and ISO forms, then
// under every other setting the machine has, since the run may have been
// made under another one. None when no setting reads the whole text.
std::optional<std::time_t> parseDateText(const std::string& text);

} // namespace platform
