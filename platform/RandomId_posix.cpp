#include "platform/RandomId.h"

#include "platform/FileOps.h"

#include <sys/random.h>

#include <array>
#include <cstdint>

namespace platform {

std::string randomId()
{
    std::array<std::uint8_t, 16> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n <= 0)
            return {};
        got += static_cast<std::size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (std::uint8_t b : bytes) {
        id += kHex[b >> 4];
        id += kHex[b & 0xf];
    }
    return id;
}

std::string systemMachineId()
{
    auto text = readFileStart("/etc/machine-id", 128);
    if (!text)
        return {};
    std::string id;
    for (char c : *text) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
            id += c;
        else if (c != '\n')
            return {};
    }
    return id.size() == 32 ? id : std::string();
}

} // namespace platform
