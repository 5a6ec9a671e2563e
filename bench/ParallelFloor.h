#pragma once

#include <string>
#include <vector>

namespace bench {

// The floor of a run of `jobs` archiver jobs at once: the same command
// lines, each `cd`-ing into its folder, run by `xargs -P jobs`, one `sh -c`
// a line. "@SLOT@" in a line becomes the number of the xargs slot that runs
// it, so each running line has report files of its own, as each job slot of
// the program has. Writes the lines and the script into `top`, named after
// `name`; returns the script's path, to be run by `/bin/sh`.
std::string writeParallelFloor(
    const std::string& top, const std::string& name, const std::vector<std::string>& lines, int jobs);

// The placeholder for the slot number in a floor line.
inline constexpr char kSlotPlaceholder[] = "@SLOT@";

} // namespace bench
