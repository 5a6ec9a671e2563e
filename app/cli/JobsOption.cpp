#include "app/cli/JobsOption.h"

#include <charconv>

namespace {

// More jobs than this gain nothing on any machine, and each costs a shell.
constexpr int kMostJobs = 64;

} // namespace

QCommandLineOption jobsOption()
{
    return QCommandLineOption("jobs", "", "J");
}

std::string readJobsOption(const CommandContext& context, int& jobs)
{
    if (!context.parser.isSet(jobsOption()))
        return {};
    const std::string given = context.value(jobsOption());
    int value = 0;
    const auto [end, error] = std::from_chars(given.data(), given.data() + given.size(), value);
    if (error != std::errc() || end != given.data() + given.size() || value < 1 || value > kMostJobs)
        return "--jobs takes a number of jobs from 1 to " + std::to_string(kMostJobs) + ", not \"" + given
            + "\".";
    jobs = value;
    return {};
}
