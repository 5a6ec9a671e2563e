#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace platform {

// The moment a date text names under the current regional settings (as
// formatDateText writes it, or the date alone), in local time; nothing when
// it reads as no date. For putting runs in the order they were made.
std::optional<std::time_t> dateTextMoment(const std::string& text);

} // namespace platform
