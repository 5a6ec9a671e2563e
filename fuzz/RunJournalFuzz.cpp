// The journal a backup keeps of itself: a restore names folders by the paths
// it reads there, counts folders as failed by it and picks the run that holds
// a folder whole from it, and a damaged or crafted journal can hold anything.
// Whatever it reads must be the journal the run would write: written back
// line by line it reads as the same journal, and writing that again gives
// the same bytes. The reader of the run folder's file reads what the parser
// reads.

#include "fuzz/FuzzSupport.h"
#include "store/RunJournal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::visible;

namespace {

// The journal as the run writes it: the version line, then one line a fact.
std::string written(const RunJournal& journal)
{
    std::string text = "quorvel-run-journal 1\n";
    text += JournalLine("started", { std::to_string(journal.started) });
    text += JournalLine("archiver", { journal.archiver });
    text += JournalLine("machine", { journal.machine });
    for (const JournalFolder& held : journal.held)
        text += JournalLine("held", { held.archive, held.path });
    for (const JournalFailure& failed : journal.failed)
        text += JournalLine("failed", { failed.path, failed.archive, failed.why });
    for (const JournalSpecials& specials : journal.specials) {
        std::vector<std::string_view> fields{ specials.archive };
        fields.insert(fields.end(), specials.names.begin(), specials.names.end());
        text += JournalLine("specials", fields);
    }
    for (const JournalLeftOut& left : journal.leftOut) {
        std::vector<std::string_view> fields{ left.path };
        fields.insert(fields.end(), left.names.begin(), left.names.end());
        text += JournalLine("leftout", fields);
    }
    if (journal.stopped)
        text += JournalLine("stopped", {});
    if (journal.ended)
        text += JournalLine("end", { std::to_string(journal.failedAtEnd) });
    return text;
}

bool same(const RunJournal& a, const RunJournal& b)
{
    if (a.started != b.started || a.archiver != b.archiver || a.machine != b.machine || a.stopped != b.stopped
        || a.ended != b.ended || a.failedAtEnd != b.failedAtEnd || a.held.size() != b.held.size()
        || a.failed.size() != b.failed.size() || a.specials.size() != b.specials.size()
        || a.leftOut.size() != b.leftOut.size())
        return false;
    for (std::size_t i = 0; i < a.leftOut.size(); ++i) {
        if (a.leftOut[i].path != b.leftOut[i].path || a.leftOut[i].names != b.leftOut[i].names)
            return false;
    }
    for (std::size_t i = 0; i < a.held.size(); ++i) {
        if (a.held[i].archive != b.held[i].archive || a.held[i].path != b.held[i].path)
            return false;
    }
    for (std::size_t i = 0; i < a.failed.size(); ++i) {
        if (a.failed[i].path != b.failed[i].path || a.failed[i].archive != b.failed[i].archive
            || a.failed[i].why != b.failed[i].why)
            return false;
    }
    for (std::size_t i = 0; i < a.specials.size(); ++i) {
        if (a.specials[i].archive != b.specials[i].archive || a.specials[i].names != b.specials[i].names)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<RunJournal> read = ParseRunJournal(bytes);

    (void)fuzzsupport::writeScratchFile(kRunJournal, bytes);
    const std::optional<RunJournal> fromFile = ReadRunJournal(fuzzsupport::scratchFolder());
    FUZZ_CHECK(read.has_value() == fromFile.has_value() && (!read || same(*read, *fromFile)),
        visible(bytes) + ": the run folder's journal read otherwise");
    if (!read)
        return 0;

    FUZZ_CHECK(read->started > 0, visible(bytes));
    FUZZ_CHECK(read->failedAtEnd >= 0 && (read->ended || read->failedAtEnd == 0), visible(bytes));
    for (const JournalSpecials& specials : read->specials)
        FUZZ_CHECK(!specials.names.empty(), visible(bytes));
    for (const JournalLeftOut& left : read->leftOut)
        FUZZ_CHECK(!left.names.empty(), visible(bytes));
    const std::string again = written(*read);
    const std::optional<RunJournal> reread = ParseRunJournal(again);
    FUZZ_CHECK(reread && same(*read, *reread), visible(bytes) + " wrote back as " + visible(again));
    FUZZ_CHECK(written(*reread) == again, visible(again) + " did not write the same bytes twice");
    return 0;
}
