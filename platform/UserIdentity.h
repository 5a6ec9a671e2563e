#pragma once

#include <string>

namespace platform {

// A name that is the same for every process of the current user and differs
// between users: `base`, a dash and the user's number.
std::string perUserName(const std::string& base);

} // namespace platform
