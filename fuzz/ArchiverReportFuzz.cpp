// The archiver's report on an extraction or on making an archive: what 7-Zip
// wrote into output.txt, then the job's line with its exit status. A damaged
// archive, a crafted store, a folder that changes or a killed archiver can
// leave any text there. Whatever it holds, an extraction is complete only
// when the archiver said so in every way (exit status 0, "Everything is Ok",
// no error line) and gave the number of files it extracted, the names it
// lists are lines of the report, and the reason handed to the user is one
// short printable line; an archive counts as made only with exit status 0 or 1, and as
// holding fewer files than counted only with 1, the status for warnings.

#include "fuzz/FuzzSupport.h"
#include "store/ArchiverReport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using fuzzsupport::visible;

namespace {

void checkCompression(const std::string& report)
{
    const CompressionVerdict verdict = JudgeCompressionReport(report);
    const bool warned = verdict.exitStatus == 1;
    FUZZ_CHECK(verdict.made == (verdict.exitStatus == 0 || warned), visible(report));
    if (report.find(kExitStatusLine) == std::string::npos)
        FUZZ_CHECK(!verdict.made, visible(report));
    for (const std::string& line : verdict.fileWarnings) {
        FUZZ_CHECK(!line.empty() && line.find_first_of("\r\n") == std::string::npos, visible(line));
        FUZZ_CHECK(report.find(line) != std::string::npos, visible(line));
    }
    // Files missed only with warnings; and then always, when the count knew
    // of no unreadable file.
    FUZZ_CHECK(ArchiverMissedFiles(verdict, {}) == warned, visible(report));
    // Each warned file's name taken as one the count found unreadable: no
    // change when every warning is the one for a file that may not be read,
    // a change when a warning names no file at all.
    std::vector<std::string> names;
    bool allDenied = true;
    bool someUnnamed = false;
    for (const std::string& line : verdict.fileWarnings) {
        const std::size_t at = line.find(" : ");
        someUnnamed = someUnnamed || at == std::string::npos;
        if (at == std::string::npos)
            continue;
        names.push_back(line.substr(0, at));
        const std::string why = line.substr(at + 3);
        allDenied = allDenied
            && (why.find("errno=13 ") != std::string::npos
                || why.find("Permission denied") != std::string::npos);
    }
    if (someUnnamed || (warned && verdict.fileWarnings.empty()))
        FUZZ_CHECK(ArchiverMissedFiles(verdict, names) == warned, visible(report));
    else if (allDenied)
        FUZZ_CHECK(!ArchiverMissedFiles(verdict, names), visible(report));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string report(reinterpret_cast<const char*>(data), size);
    const ArchiverVerdict verdict = JudgeArchiverReport(report);

    // The cut line and the "..." that says so.
    FUZZ_CHECK(verdict.reason.size() <= kLongestReason + 3, visible(verdict.reason));
    for (const char c : verdict.reason)
        FUZZ_CHECK(c != '\n' && c != '\r' && c != '\0', visible(verdict.reason));
    if (verdict.complete) {
        FUZZ_CHECK(verdict.exitStatus == 0, visible(report));
        FUZZ_CHECK(report.find("Everything is Ok") != std::string::npos, visible(report));
        FUZZ_CHECK(verdict.reason.empty(), visible(report));
        // The number compared with the count file is always the archiver's.
        FUZZ_CHECK(verdict.filesReported.has_value(), visible(report));
    } else {
        FUZZ_CHECK(!verdict.reason.empty(), visible(report));
    }
    // A report cut off before the job's own last line is never complete.
    if (report.find(kExitStatusLine) == std::string::npos)
        FUZZ_CHECK(!verdict.complete, visible(report));
    // Each name listed is a line of the report as the archiver wrote it.
    for (const std::string& name : verdict.filesListed) {
        FUZZ_CHECK(name.find_first_of("\r\n") == std::string::npos, visible(name));
        FUZZ_CHECK(report.find("- " + name) != std::string::npos, visible(name));
    }
    if (verdict.filesReported)
        FUZZ_CHECK(*verdict.filesReported >= 0, visible(report));
    checkCompression(report);
    return 0;
}
