#pragma once

#include <string>

namespace platform {

// 32 lowercase hex digits from the system's random source: an id no other
// store or computer will have.
std::string randomId();

// The id systemd and D-Bus give this computer (/etc/machine-id), trimmed;
// empty where there is none.
std::string systemMachineId();

} // namespace platform
