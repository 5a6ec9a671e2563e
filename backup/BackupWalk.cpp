#include "backup/BackupRun.h"

#include "backup/BackupTexts.h"
#include "pathutil/PathRoutines.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/FolderEntries.h"
#include "store/MainFields.h"
#include "store/StoreLayout.h"

#include <chrono>
#include <utility>

// The backup's walk: which folders below the sources it stores, and which it
// leaves out and why.

void BackupRun::FindFolders()
{
    m_collected.clear();
    m_rules = WalkRules(m_main);
    for (const std::string& refused : m_rules.refusals())
        warn(refused);
    const std::vector<std::string> sources = m_main.sourceFolders();
    notWalkedBelow(sources);
    warnOverlappingSources(sources);
    std::vector<std::string> found;
    // The walk takes the folder the entry really names, so every archive is
    // named after a path that a restore can make again.
    std::vector<std::string> roots;
    roots.reserve(sources.size());
    for (const std::string& source : sources) {
        const std::string canonical = ShortPath(source);
        roots.push_back(canonical.empty() ? source : canonical);
    }
    m_collectedKept = rootsOverlap(roots);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        platform::processEvents();
        log("Find in: " + sources[i]);
        m_rules.enterSource(AddBackslash(roots[i]), AddBackslash(sources[i]));
        CollectFolders(roots[i], AddBackslash(roots[i]), found);
        platform::processEvents();
    }
    FolderList = std::move(found);
}

bool BackupRun::rootsOverlap(const std::vector<std::string>& roots)
{
    // The walk never follows a link, so below one root every path is found
    // once; two roots can only reach the same path where one lies at or
    // below the other. Only then does the walk keep every path it found, a
    // set as large as the tree (some 20 MB for 100,000 folders).
    for (std::size_t i = 0; i < roots.size(); ++i) {
        for (std::size_t j = 0; j < roots.size(); ++j) {
            if (i != j && AddBackslash(roots[i]).starts_with(AddBackslash(roots[j])))
                return true;
        }
    }
    return false;
}

void BackupRun::notWalkedBelow(const std::vector<std::string>& sources)
{
    m_notWalked.clear();
    // The store, the restore target and the job files would otherwise be
    // backed up into themselves, one run inside the next. Each is left out
    // only of a source it lies strictly inside: a source that is the restore
    // target, or lies inside it, is what the user wants backed up.
    const std::pair<std::string, const char*> kept[] = { { m_main.backupTarget(), "it holds the backups" },
        { m_main.restoreTarget(), "it is the restore target" },
        { appFolder(), "it holds the program's job files" } };
    for (const auto& [path, why] : kept) {
        if (std::string folder = path.empty() ? std::string() : canonicalFolder(path); !folder.empty())
            m_notWalked.push_back({ folder, why, true });
    }
    // Where a restore of a source lands: inside a source it would be backed
    // up again, and restored one level deeper on every round.
    if (m_main.restoreTarget().empty())
        return;
    for (const std::string& source : sources) {
        const std::string canonical = canonicalFolder(source);
        if (canonical.empty())
            continue;
        const std::string landing = canonicalFolder(AddBackslash(m_main.restoreTarget()) + canonical);
        if (!landing.empty())
            m_notWalked.push_back({ landing, "a restore of a source folder lands in it", false });
    }
}

void BackupRun::warnOverlappingSources(const std::vector<std::string>& sources)
{
    std::vector<std::string> canonical;
    canonical.reserve(sources.size());
    for (const std::string& source : sources)
        canonical.push_back(canonicalFolder(source));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        for (std::size_t j = i + 1; j < sources.size(); ++j) {
            if (isAtOrBelow(canonical[i], canonical[j]) || isAtOrBelow(canonical[j], canonical[i]))
                warn("Source folders overlap, what lies in both is backed up once: " + sources[i] + " and "
                    + sources[j]);
        }
    }
}

void BackupRun::CollectFolders(const std::string& path, std::vector<std::string>& found)
{
    m_rules.enterSource(AddBackslash(path), AddBackslash(path));
    CollectFolders(path, AddBackslash(path), found);
}

void BackupRun::CollectFolders(
    const std::string& path, const std::string& root, std::vector<std::string>& found)
{
    const std::string folder = AddBackslash(path);
    if (m_collectedKept && m_collected.contains(folder))
        return;
    if (const std::string why = whyNotWalked(folder, root); !why.empty()) {
        // Not taken as found: another source may hold it as its own.
        warn("Folder not backed up, " + why + ": " + folder);
        m_rules.noteLeftOut(folder, why);
        tally().skipped++;
        return;
    }
    // A folder reached through two overlapping sources is stored once.
    if (m_collectedKept)
        m_collected.insert(folder);
    // The listing is complete, and gone, before any subfolder is visited, so
    // no two listings are ever open at once however deep the tree.
    auto entries = platform::listFolderEntries(folder);
    if (!entries) {
        // A folder that is not there still gets its entry: compressing it
        // reports the failure. One that is there but cannot be read costs
        // only itself and what lies below it.
        if (platform::folderExists(folder)) {
            leftOutUnreadable(folder, entries.error());
            return;
        }
        found.push_back(folder);
        m_rules.found();
        return;
    }
    found.push_back(folder);
    m_rules.found();
    // A folder not noted holds no bytes: one that holds only folders costs
    // the counter nothing.
    if (entries->fileBytes > 0)
        m_progress.setBytes(folder, entries->fileBytes);
    noteLeftOut(folder, *entries);
    letEventsRunDuringWalk();
    for (const std::string& name : walkedSubfolders(entries.value())) {
        if (const std::string why = m_rules.whyFolderLeftOut(folder, name); !why.empty()) {
            // Left out by choice, as hidden folders are: a line, not a warning.
            log("Folder not backed up, " + why + ": " + folder + name + "/");
            m_rules.noteLeftOut(folder + name + "/", why);
            tally().skipped++;
            continue;
        }
        CollectFolders(folder + name, root, found);
    }
    letEventsRunDuringWalk();
}

void BackupRun::leftOutUnreadable(const std::string& folder, const std::string& why)
{
    // The user chose it and it is not in the backup: a failure of the run,
    // told once in the log rather than in a box of its own.
    warn("Folder not backed up, it cannot be read, nor anything below it: " + why);
    m_rules.noteLeftOut(folder, "it cannot be read");
    folderFailed(folder, {});
}

std::string BackupRun::whyNotWalked(const std::string& folder, const std::string& root) const
{
    // The walk goes from a canonical source through real folders only, so
    // its paths are canonical as they stand.
    for (const NotWalked& notWalked : m_notWalked) {
        if (notWalked.belowRootOnly && (notWalked.folder == root || !isAtOrBelow(notWalked.folder, root)))
            continue;
        if (isAtOrBelow(folder, notWalked.folder))
            return notWalked.why;
    }
    return {};
}

void BackupRun::noteLeftOut(const std::string& folder, const platform::FolderEntries& entries)
{
    // Hidden folders stay out of a backup; the user learns which ones, the
    // topmost of each, so that ~/.ssh is never missed without a word.
    for (const std::string& hidden : entries.hiddenSubfolders) {
        if (m_rules.hiddenToo())
            break;
        log("Hidden folder not backed up: " + folder + hidden + "/");
        m_rules.noteLeftOut(folder + hidden + "/", "it is hidden");
        tally().skipped++;
    }
    if (!entries.specialFiles.empty() && m_journal)
        journal(m_journal->specials(archiveNameOf(folder), entries.specialFiles));
    if (!entries.specialFiles.empty())
        warn("Entries a restore cannot bring back as they were (FIFO, socket or device) in " + folder + ": "
            + joined(entries.specialFiles));
}

void BackupRun::letEventsRunDuringWalk()
{
    // A walk visits folders far faster than a window repaints; running the
    // event loop for each of a hundred thousand folders would cost more than
    // the walk itself, so it runs at most every few milliseconds.
    constexpr std::chrono::milliseconds interval{ 15 };
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastWalkEvents < interval)
        return;
    platform::processEvents();
    m_lastWalkEvents = std::chrono::steady_clock::now();
}
