#include "bench/BenchTree.h"

#include "tests/support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace bench {
namespace {

const char* const kWords[] = { "backup", "folder", "archive", "the", "of", "and", "restore", "report",
    "invoice", "2026", "draft", "notes", "meeting", "total", "summary", "list" };

// Part text, part random bytes: archives of real folders hold both.
std::string fileBytes(std::mt19937_64& random, int size)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    const int textPart = static_cast<int>(random() % static_cast<std::uint64_t>(size + 1));
    while (static_cast<int>(bytes.size()) < textPart) {
        bytes += kWords[random() % (sizeof kWords / sizeof kWords[0])];
        bytes += random() % 12 == 0 ? '\n' : ' ';
    }
    bytes.resize(static_cast<std::size_t>(textPart));
    while (static_cast<int>(bytes.size()) < size) {
        const std::uint64_t r = random();
        for (int i = 0; i < 8 && static_cast<int>(bytes.size()) < size; ++i)
            bytes += static_cast<char>((r >> (8 * i)) & 0xff);
    }
    return bytes;
}

} // namespace

int fanOutFor(int folders)
{
    int fanOut = 1;
    for (;; ++fanOut) {
        long long fits = 1;
        long long level = 1;
        for (int depth = 1; depth < 4; ++depth) {
            level *= fanOut;
            fits += level;
        }
        if (fits >= folders)
            return fanOut;
    }
}

std::vector<std::string> makeTree(
    const std::string& root, int folders, int filesPerFolder, int minBytes, int maxBytes, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    const int fanOut = fanOutFor(folders);
    std::vector<std::string> made;
    made.reserve(static_cast<std::size_t>(folders));
    for (int i = 0; i < folders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Folder %06d", i);
        const std::string folder
            = i == 0 ? root : made[static_cast<std::size_t>((i - 1) / fanOut)] + "/" + name;
        fs::create_directories(folder);
        made.push_back(folder);
        for (int f = 0; f < filesPerFolder; ++f) {
            const int size
                = minBytes + static_cast<int>(random() % static_cast<std::uint64_t>(maxBytes - minBytes + 1));
            testsupport::writeText(folder + "/file " + std::to_string(f) + ".dat", fileBytes(random, size));
        }
    }
    return made;
}

std::map<std::string, std::uintmax_t> filesBelow(const std::string& root)
{
    std::map<std::string, std::uintmax_t> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && !it->is_symlink())
            files[fs::relative(it->path(), root).string()] = it->file_size();
    }
    return files;
}

bool sameFiles(const std::string& original, const std::string& copy, std::string& why)
{
    for (const auto& [relative, size] : filesBelow(original)) {
        const std::string a = original + "/" + relative;
        const std::string b = copy + "/" + relative;
        std::error_code ec;
        if (!fs::is_regular_file(b, ec) || fs::file_size(b, ec) != size
            || testsupport::readText(a) != testsupport::readText(b)) {
            why = b + " is missing or differs from " + a;
            return false;
        }
    }
    return true;
}

} // namespace bench
