// What a backup saw of each folder, as its journal keeps it: the next backup
// takes an archive over only when a folder shows exactly what a look there
// says, so a damaged or crafted journal must never give a look it does not
// spell. The bytes follow a journal's first lines; every look read must have
// its entries in strict name order, come from a line tagged as a look, and
// must write back and read again as itself.

#include "fuzz/FuzzSupport.h"
#include "store/RunJournal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::visible;

namespace {

std::string lineOf(const FolderSeen& seen)
{
    const std::vector<std::string> fields = SeenFields(seen);
    return JournalLine(kSeenTag, { fields.begin(), fields.end() });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string head = "quorvel-run-journal 1\nstarted\t1\n";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto journal = ParseRunJournal(head + bytes);
    FUZZ_CHECK(journal.has_value(), visible(bytes) + " lost the journal's start");
    // One look at most for each line tagged as one.
    std::size_t tagged = bytes.starts_with("seen\t") ? 1 : 0;
    for (std::size_t at = bytes.find("\nseen\t"); at != std::string::npos;
         at = bytes.find("\nseen\t", at + 1))
        ++tagged;
    FUZZ_CHECK(
        journal->seen.size() + static_cast<std::size_t>(journal->damagedSeen) <= tagged, visible(bytes));
    std::string again = head;
    for (const FolderSeen& seen : journal->seen) {
        FUZZ_CHECK(!seen.archive.empty() && !seen.path.empty(), visible(bytes));
        for (std::size_t i = 1; i < seen.entries.size(); ++i)
            FUZZ_CHECK(seen.entries[i - 1].name < seen.entries[i].name, visible(bytes) + " out of order");
        again += lineOf(seen);
    }
    const auto reread = ParseRunJournal(again);
    FUZZ_CHECK(reread && reread->seen.size() == journal->seen.size() && reread->damagedSeen == 0,
        visible(again) + " did not read back");
    for (std::size_t i = 0; i < reread->seen.size(); ++i)
        FUZZ_CHECK(
            lineOf(reread->seen[i]) == lineOf(journal->seen[i]), visible(again) + " read back otherwise");
    return 0;
}
