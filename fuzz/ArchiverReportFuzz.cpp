// The archiver's report on an extraction: what 7-Zip wrote into output.txt,
// then the job's line with its exit status. A damaged archive, a crafted
// store or a killed archiver can leave any text there. Whatever it holds,
// the verdict is complete only when the archiver said so in every way (exit
// status 0, "Everything is Ok", no error line), and the reason handed to the
// user is one short printable line.

#include "fuzz/FuzzSupport.h"
#include "store/ArchiverReport.h"

#include <cstddef>
#include <cstdint>
#include <string>

using fuzzsupport::visible;

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
    } else {
        FUZZ_CHECK(!verdict.reason.empty(), visible(report));
    }
    // A report cut off before the job's own last line is never complete.
    if (report.find(kExitStatusLine) == std::string::npos)
        FUZZ_CHECK(!verdict.complete, visible(report));
    return 0;
}
