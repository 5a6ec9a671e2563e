#pragma once

#include <string>
#include <vector>

namespace bench {

// What a backup's record of what it saw costs on its own: the look at each
// of `folders` before its archiver would start, and the line each look adds
// to the run's journal, written into a journal in `scratchFolder` as a run
// writes its own. Seconds of wall time, in this process.
double recordSeconds(const std::vector<std::string>& folders, const std::string& scratchFolder);

} // namespace bench
