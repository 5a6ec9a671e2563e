// The count file beside every archive: a restore compares the files it finds
// with the number in it, and a damaged store can hold any bytes there. The
// reader must take a count only from a whole decimal number in the 32-bit
// range (an optional sign, surrounding blanks and line ends allowed), and
// otherwise say what is wrong, never read a 0. A file longer than any count
// is damaged and is not read at all. A count the backup writes must read
// back as itself.

#include "fuzz/FuzzSupport.h"
#include "store/StoreLayout.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

using fuzzsupport::visible;

namespace {

// The number the bytes spell, worked out apart from the reader.
std::optional<std::int32_t> expectedCount(const std::string& bytes)
{
    const std::string blanks = " \t\r\n";
    const std::size_t first = bytes.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::nullopt;
    std::string text = bytes.substr(first, bytes.find_last_not_of(blanks) - first + 1);
    // from_chars takes '-' but not '+'; "+-1" must stay refused.
    if (text[0] == '+') {
        text.erase(0, 1);
        if (text.empty() || text[0] == '-')
            return std::nullopt;
    }
    if (text.size() > 1 && text[0] == '-' && text[1] == '-')
        return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzsupport::writeScratchFile("a.7z.dat", bytes);
    const CountFileRead read = ReadCountFile(path);
    const std::optional<std::int32_t> expected
        = bytes.size() > kLongestCountFile ? std::nullopt : expectedCount(bytes);
    FUZZ_CHECK(read.count == expected,
        visible(bytes) + " read as " + (read.count ? std::to_string(*read.count) : "nothing") + ", expected "
            + (expected ? std::to_string(*expected) : "nothing"));
    FUZZ_CHECK(read.count.has_value() == read.problem.empty(), visible(bytes) + ": " + read.problem);
    if (!read.count)
        FUZZ_CHECK(read.problem.find(path) != std::string::npos, read.problem);

    if (read.count && *read.count >= 0) {
        FUZZ_CHECK(WriteCountFile(path, *read.count).ok(), path);
        FUZZ_CHECK(ReadCountFile(path).count == read.count, visible(bytes));
    }
    return 0;
}
