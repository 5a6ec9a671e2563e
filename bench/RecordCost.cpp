#include "bench/RecordCost.h"

#include "backup/FolderSight.h"
#include "pathutil/PathRoutines.h"
#include "store/RunJournal.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace bench {

double recordSeconds(const std::vector<std::string>& folders, const std::string& scratchFolder)
{
    std::filesystem::remove_all(scratchFolder);
    std::filesystem::create_directories(scratchFolder);
    // The archive names are known to a run before it looks: not timed.
    std::vector<std::string> names;
    names.reserve(folders.size());
    for (const std::string& folder : folders)
        names.push_back(ArchiveName(AddBackslash(folder)));
    RunJournalWriter journal(scratchFolder);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const FolderSight sight = LookAtFolder(AddBackslash(folders[i]), names[i]);
        if (!sight.seen)
            throw std::runtime_error("the look at " + folders[i] + " saw nothing");
        if (auto written = journal.seen(*sight.seen); !written)
            throw std::runtime_error("the journal line could not be written: " + written.error());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::filesystem::remove_all(scratchFolder);
    return took.count();
}

} // namespace bench
