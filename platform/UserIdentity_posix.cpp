#include "platform/UserIdentity.h"

#include <unistd.h>

namespace platform {

std::string perUserName(const std::string& base)
{
    return base + "-" + std::to_string(::getuid());
}

} // namespace platform
