#include "tests/support/StoreFixtures.h"

#include "pathutil/PathEncoding.h"
#include "pathutil/PathRoutines.h"
#include "platform/Launcher.h"
#include "store/StoreLayout.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

bool hidden(const fs::path& p)
{
    return p.filename().string().starts_with('.');
}

} // namespace

std::string makeRunFolder(const std::string& backupTarget, const std::string& dateText)
{
    const std::string run = AddBackslash(backupTarget) + EncodePath(dateText);
    fs::create_directories(run);
    return AddBackslash(run);
}

std::string onlyRunFolder(const std::string& backupTarget)
{
    const std::vector<std::string> names = runNames(backupTarget);
    if (names.size() != 1)
        return {};
    return backupTarget + "/" + names.front();
}

bool runArchiver(const std::string& folder, const std::vector<std::string>& arguments)
{
    std::string command = "cd " + platform::shellQuoteIfNeeded(folder) + " && "
        + platform::shellQuoteIfNeeded(archiverPath());
    for (const std::string& argument : arguments)
        command += " " + platform::shellQuoteIfNeeded(argument);
    command += " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void writeArchiverScript(const std::string& appFolder, const std::string& body)
{
    const std::string script = appFolder + "/7z";
    fs::remove(script);
    writeText(script, "#!/bin/sh\nREAL='" + archiverPath() + "'\n" + body + "\n");
    fs::permissions(script,
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
            | fs::perms::others_exec);
}

void storeFolder(const std::string& runFolder, const std::string& folder)
{
    const std::string normal = AddBackslash(folder);
    const std::string archive = EncodePath(normal) + ".7z";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(normal)) {
        if (!hidden(entry.path()) && !fs::is_directory(entry.symlink_status()))
            ++count;
    }
    // Made straight into the run folder, as a backup makes it.
    ASSERT_TRUE(runArchiver(normal, { "a", "-t7z", AddBackslash(runFolder) + archive, "-i!*", "-x!*/" }))
        << normal;
    writeText(AddBackslash(runFolder) + archive + ".dat", std::to_string(count));
}

void storeTree(const std::string& runFolder, const std::string& folder)
{
    storeFolder(runFolder, folder);
    std::vector<fs::path> subfolders;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!hidden(entry.path()) && fs::is_directory(entry.symlink_status()))
            subfolders.push_back(entry.path());
    }
    for (const fs::path& sub : subfolders)
        storeTree(runFolder, sub.string());
}

std::vector<std::string> archivesBelow(const std::string& root)
{
    return pathsBelow(root, [](const std::string& name) { return name.ends_with(".7z"); });
}

std::vector<std::string> storedNames(const std::vector<std::string>& folders)
{
    std::vector<std::string> names;
    for (const std::string& folder : folders) {
        names.push_back(ArchiveName(folder));
        names.push_back(CountFileName(ArchiveName(folder)));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> filesOfTree(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (fs::is_directory(entry.symlink_status())) {
            if (!hidden(entry.path())) {
                auto below = filesOfTree(entry.path().string());
                files.insert(below.begin(), below.end());
            }
        } else {
            files[entry.path().string()] = readText(entry.path().string());
        }
    }
    return files;
}

std::map<std::string, std::string> allFilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!fs::is_directory(entry.symlink_status()))
            files[fs::relative(entry.path(), folder).string()] = fs::is_symlink(entry.symlink_status())
                ? "link to " + fs::read_symlink(entry.path()).string()
                : readText(entry.path().string());
    }
    return files;
}

std::vector<std::string> makeSampleTree(const std::string& root)
{
    const std::string a = root + "/Alpha one";
    const std::string b = root + "/Beta's \"quoted\" $HOME";
    makeDirs(a + "/sub 1/deeper \xC3\xBC\xC3\x9F");
    makeDirs(a + "/empty folder");
    makeDirs(a + "/.hidden folder");
    makeDirs(b + "/\xE6\x97\xA5\xE6\x9C\xAC/level 3");
    writeText(a + "/readme.txt", "top level\r\n");
    writeText(a + "/.dotfile", "hidden, but stored with its folder");
    writeText(a + "/.hidden folder/not walked", "never backed up");
    writeText(a + "/sub 1/it's $1 & more.txt", "quotes");
    std::string binary;
    for (int i = 0; i < 256; ++i)
        binary += static_cast<char>(i);
    writeText(a + "/sub 1/deeper \xC3\xBC\xC3\x9F/all bytes.bin", binary);
    std::string large;
    large.reserve(6u << 20);
    unsigned state = 12345;
    while (large.size() < (6u << 20)) {
        state = state * 1103515245u + 12345u;
        large += static_cast<char>(state >> 16);
    }
    writeText(b + "/large.bin", large);
    writeText(b + "/\xE6\x97\xA5\xE6\x9C\xAC/level 3/\xC3\xA9t\xC3\xA9.txt", "non-ASCII");
    writeText(b + "/\xE6\x97\xA5\xE6\x9C\xAC/back\\slash", "a backslash is a name character here");
    writeText(b + "/empty file", "");
    return { a, b };
}

void expectRestoredExactly(const std::string& target, const std::map<std::string, std::string>& expected)
{
    std::map<std::string, std::string> wanted;
    for (const auto& [path, bytes] : expected)
        wanted[path.substr(1)] = bytes; // every absolute path becomes a level below the target
    const std::map<std::string, std::string> restored = allFilesBelow(target);
    EXPECT_EQ(restored.size(), wanted.size());
    for (const auto& [path, bytes] : wanted) {
        auto it = restored.find(path);
        if (it == restored.end())
            ADD_FAILURE() << path << " was not restored";
        else
            EXPECT_TRUE(it->second == bytes) << path << " differs";
    }
    for (const auto& [path, bytes] : restored)
        EXPECT_TRUE(wanted.count(path)) << path << " should not be there";
}

} // namespace testsupport
