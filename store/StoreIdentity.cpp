#include "store/StoreIdentity.h"

#include "pathutil/PathRoutines.h"
#include "platform/FileSystem.h"
#include "platform/RandomId.h"
#include "platform/UserFolders.h"

#include <algorithm>
#include <vector>

namespace {

// One remembered target a line; a backslash and a line feed in a path are
// written as "\\" and "\n".
constexpr char kStoresFile[] = "stores";
constexpr std::size_t kLongestIdFile = 4096;

std::string storesPath(const std::string& stateFolder)
{
    return AddBackslash(stateFolder) + kStoresFile;
}

// The target as it is remembered: its real path when it is there, so that
// another spelling of the same folder is the same target, else as given
// without trailing separators.
std::string targetKey(const std::string& target)
{
    std::string key = platform::shortPath(target);
    if (key.empty())
        key = target;
    while (key.size() > 1 && key.back() == '/')
        key.pop_back();
    return key;
}

std::string escapedLine(const std::string& path)
{
    std::string line;
    for (char c : path) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else
            line += c;
    }
    return line + '\n';
}

std::vector<std::string> rememberedTargets(const std::string& stateFolder)
{
    std::vector<std::string> targets;
    const auto text = platform::readFile(storesPath(stateFolder));
    if (!text)
        return targets;
    std::string path;
    for (std::size_t i = 0; i < text->size(); ++i) {
        const char c = (*text)[i];
        if (c == '\n') {
            if (!path.empty())
                targets.push_back(path);
            path.clear();
        } else if (c == '\\' && i + 1 < text->size()) {
            path += (*text)[++i] == 'n' ? '\n' : (*text)[i];
        } else {
            path += c;
        }
    }
    return targets;
}

platform::Status keepTargets(const std::string& stateFolder, const std::vector<std::string>& targets)
{
    if (!platform::makePrivateFolders(stateFolder))
        return platform::Status::failure("The folder " + stateFolder + " cannot be made");
    std::string text;
    for (const std::string& target : targets)
        text += escapedLine(target);
    return platform::replaceFileAtomically(storesPath(stateFolder), text);
}

} // namespace

std::string StoreStateFolder()
{
    return platform::userStateHome() + "/" + QUORVEL_PRODUCT_NAME;
}

std::string ReadStoreId(const std::string& target)
{
    const std::string path = AddBackslash(target) + kStoreIdentityFile;
    if (target.empty() || !platform::isPlainFile(path))
        return {};
    const auto text = platform::readFileStart(path, kLongestIdFile);
    if (!text)
        return {};
    std::string id = text->substr(0, text->find('\n'));
    // Any store's file counts, even one whose id was edited by hand: it
    // still says the disk is there.
    return id.empty() ? std::string("-") : id;
}

platform::Status NoteStore(const std::string& target, const std::string& stateFolder)
{
    if (ReadStoreId(target).empty()) {
        const std::string id = platform::randomId();
        if (id.empty())
            return platform::Status::failure("No random id could be had for the store");
        if (auto written
            = platform::replaceFileAtomically(AddBackslash(target) + kStoreIdentityFile, id + "\n");
            !written)
            return written;
    }
    if (RemembersStore(target, stateFolder))
        return platform::Status::success();
    std::vector<std::string> targets = rememberedTargets(stateFolder);
    targets.push_back(targetKey(target));
    return keepTargets(stateFolder, targets);
}

bool RemembersStore(const std::string& target, const std::string& stateFolder)
{
    if (target.empty())
        return false;
    const std::vector<std::string> targets = rememberedTargets(stateFolder);
    return std::find(targets.begin(), targets.end(), targetKey(target)) != targets.end();
}

platform::Status ForgetStore(const std::string& target, const std::string& stateFolder)
{
    std::vector<std::string> targets = rememberedTargets(stateFolder);
    const auto gone = std::remove(targets.begin(), targets.end(), targetKey(target));
    if (gone == targets.end())
        return platform::Status::success();
    targets.erase(gone, targets.end());
    return keepTargets(stateFolder, targets);
}

std::string WhyStoreMissing(const std::string& target, const std::string& stateFolder)
{
    if (!ReadStoreId(target).empty() || !RemembersStore(target, stateFolder))
        return {};
    return "The backup disk is not there: " + target
        + ". Connect it, or choose the target again with Change.";
}
