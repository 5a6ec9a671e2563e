#include "platform/Machine.h"

#include <fstream>
#include <sched.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace platform {

int usableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

std::optional<std::uint64_t> availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        if (!line.starts_with("MemAvailable:"))
            continue;
        std::istringstream fields(line.substr(13));
        std::uint64_t kib = 0;
        if (fields >> kib)
            return kib * 1024;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace platform
