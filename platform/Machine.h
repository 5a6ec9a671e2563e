#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The processors this process may run on (its affinity mask, which a
// container or `taskset` may narrow), at least 1.
int usableProcessors();

// The memory the system can give new work without swapping (the kernel's
// own estimate), in bytes; empty when it cannot be told.
std::optional<std::uint64_t> availableMemory();

} // namespace platform
