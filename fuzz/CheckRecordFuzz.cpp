// The record of checks at the top of the store: a repeat backup compresses
// a folder anew on the strength of a "damaged" it reads there, and the
// check decides what to test first by it, so damaged or crafted bytes must
// never read as a check that their lines do not spell. Whatever is read
// writes back as lines that read again as the same checks; no check comes
// from a line without its line feed; and reading the bytes from the store
// gives what parsing them gives.

#include "fuzz/FuzzSupport.h"
#include "store/CheckRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using fuzzsupport::visible;

namespace {

bool same(const CheckedFile& a, const CheckedFile& b)
{
    return a.path == b.path && a.identity.device == b.identity.device && a.identity.inode == b.identity.inode
        && a.identity.size == b.identity.size && a.identity.modified == b.identity.modified
        && a.checked == b.checked && a.good == b.good && a.millis == b.millis;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const CheckRecord record = CheckRecord::parse(bytes);
    const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    FUZZ_CHECK(record.linesRead() <= lines, visible(bytes) + " gave more checks than it has whole lines");
    FUZZ_CHECK(record.paths() <= record.linesRead(), visible(bytes));
    std::string written;
    for (const CheckedFile& file : record.latest()) {
        FUZZ_CHECK(!file.path.empty(), visible(bytes) + " gave a check without a path");
        const std::string line = CheckLine(file);
        const CheckRecord again = CheckRecord::parse(line);
        const CheckedFile* back = again.lastCheckOf(file.path, file.identity);
        FUZZ_CHECK(back && same(*back, file), visible(line) + " did not read back as itself");
        written += line;
    }
    FUZZ_CHECK(
        CheckRecord::parse(written).paths() == record.paths(), visible(bytes) + " did not write back whole");
    (void)fuzzsupport::writeScratchFile(kCheckRecord, bytes);
    FUZZ_CHECK(CheckRecord::read(fuzzsupport::scratchFolder()).paths() == record.paths(),
        visible(bytes) + " read from the store otherwise than parsed");
    return 0;
}
