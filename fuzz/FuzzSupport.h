#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the fuzz targets share: a private folder for the files a parser must
// read from disk, and a way to stop on a broken property so that libFuzzer
// keeps the input that broke it.
namespace fuzzsupport {

// A folder of this process's own (under $TMPDIR, else /dev/shm, else /tmp), made on first
// use and removed when the process ends normally.
const std::string& scratchFolder();

// Gives the file `name` in the scratch folder exactly these bytes; returns
// its path. Stops the run when the file cannot be written, since every later
// input would then test nothing.
std::string writeScratchFile(const std::string& name, const std::string& bytes);

// Prints what did not hold and aborts: libFuzzer reports the input as a crash.
[[noreturn]] void fail(const std::string& what);

// Shows a text with every byte outside printable ASCII as \xHH, for failure messages.
std::string visible(const std::string& text);

} // namespace fuzzsupport

#define FUZZ_CHECK(condition, message)                                                                       \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::fuzzsupport::fail(std::string(#condition) + ": " + (message));                                 \
    } while (false)
