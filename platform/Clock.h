#pragma once

#include <chrono>
#include <ctime>
#include <string>

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

// Adopts the user's regional settings (LC_ALL from the environment).
void initLocale();

// The date text of a moment under the current regional settings: the short
// date, one space and the long time; the date alone exactly at midnight.
std::string formatDateText(const std::tm& when);

// True when the whole text (trailing blanks allowed) reads as a date, or a
// date and time, under the current regional settings.
bool isDateText(const std::string& text);

} // namespace platform
