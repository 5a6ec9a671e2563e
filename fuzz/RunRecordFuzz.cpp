// The record a backup leaves in its run folder: the next backup takes over
// archives on the strength of the start time it reads there, so a damaged or
// crafted record must never read as a start it does not spell. Only the two
// lines "started <positive decimal>" and "archiver <text>", each ended by a
// line break and nothing after them, make a record; whatever is read must
// write back and read again as itself.

#include "fuzz/FuzzSupport.h"
#include "store/RunRecord.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

using fuzzsupport::visible;

namespace {

// The record the bytes spell, worked out apart from the reader.
std::optional<RunRecord> expectedRecord(const std::string& bytes)
{
    const std::string started = "started ", archiver = "archiver ";
    if (bytes.size() > 4096 || !bytes.starts_with(started) || bytes.empty() || bytes.back() != '\n')
        return std::nullopt;
    const std::size_t firstEnd = bytes.find('\n');
    const std::size_t second = firstEnd + 1;
    if (bytes.compare(second, archiver.size(), archiver) != 0 || bytes.find('\n', second) != bytes.size() - 1)
        return std::nullopt;
    const std::string number = bytes.substr(started.size(), firstEnd - started.size());
    RunRecord record;
    const char* end = number.data() + number.size();
    const auto parsed = std::from_chars(number.data(), end, record.started);
    if (number.empty() || parsed.ec != std::errc() || parsed.ptr != end || record.started <= 0)
        return std::nullopt;
    record.archiver = bytes.substr(second + archiver.size(), bytes.size() - 1 - second - archiver.size());
    return record;
}

bool same(const std::optional<RunRecord>& a, const std::optional<RunRecord>& b)
{
    return a.has_value() == b.has_value() && (!a || (a->started == b->started && a->archiver == b->archiver));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)fuzzsupport::writeScratchFile(kRunRecord, bytes);
    const std::string runFolder = fuzzsupport::scratchFolder();
    const std::optional<RunRecord> read = ReadRunRecord(runFolder);
    FUZZ_CHECK(same(read, expectedRecord(bytes)),
        visible(bytes) + (read ? " read as started " + std::to_string(read->started) : " not read"));
    if (read) {
        FUZZ_CHECK(WriteRunRecord(runFolder, *read).ok(), runFolder);
        FUZZ_CHECK(same(ReadRunRecord(runFolder), read), visible(bytes) + " did not read back as itself");
    }
    return 0;
}
