#include "bench/ParallelFloor.h"

#include <fstream>
#include <stdexcept>

namespace bench {

std::string writeParallelFloor(
    const std::string& top, const std::string& name, const std::vector<std::string>& lines, int jobs)
{
    // The lines go NUL-separated to xargs, each becoming the command of an
    // `sh -c` of its own; the job shells of the program run with globbing
    // off, and so do these.
    const std::string linesFile = top + "/" + name + ".lines";
    std::ofstream list(linesFile, std::ios::binary | std::ios::trunc);
    for (std::string line : lines) {
        for (std::size_t at = line.find(kSlotPlaceholder); at != std::string::npos;
             at = line.find(kSlotPlaceholder, at))
            line.replace(at, sizeof kSlotPlaceholder - 1, "${QUORVEL_SLOT}");
        list << "set -f; " << line << '\0';
    }
    const std::string script = top + "/" + name + ".sh";
    std::ofstream out(script, std::ios::binary | std::ios::trunc);
    out << "exec xargs -0 -n 1 -P " << jobs << " --process-slot-var=QUORVEL_SLOT sh -c < '" << linesFile
        << "'\n";
    if (!list || !out)
        throw std::runtime_error("cannot write the parallel floor " + script);
    return script;
}

} // namespace bench
