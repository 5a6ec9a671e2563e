#include "fuzz/FuzzSupport.h"

#include "platform/FileOps.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzzsupport {
namespace {

std::string g_scratch;

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_scratch, ignored);
}

} // namespace

const std::string& scratchFolder()
{
    if (g_scratch.empty()) {
        // In memory when there is a tmpfs: the settings file is flushed to
        // disk on every save, which on a real disk costs most of the time.
        const char* tmp = std::getenv("TMPDIR");
        std::string top = tmp && *tmp ? tmp : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = top + "/quorvel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            fail("cannot make a scratch folder from " + pattern);
        g_scratch = pattern;
        std::atexit(removeScratch);
    }
    return g_scratch;
}

std::string writeScratchFile(const std::string& name, const std::string& bytes)
{
    const std::string path = scratchFolder() + "/" + name;
    if (auto status = platform::writeFile(path, bytes); !status)
        fail("cannot write the scratch file: " + status.error());
    return path;
}

void fail(const std::string& what)
{
    std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string visible(const std::string& text)
{
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out += ch;
        } else {
            char buffer[5];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out + "\"";
}

} // namespace fuzzsupport
