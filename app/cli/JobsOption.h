#pragma once

#include "app/cli/Command.h"

#include <string>

// --jobs J, which the backup and the restore both take, named alike: how
// many archiver jobs the run keeps going at once, over the saved setting.
QCommandLineOption jobsOption();

// The J given with --jobs into `jobs` (left as it is when the option is not
// given); why the value is no number of jobs, or empty.
std::string readJobsOption(const CommandContext& context, int& jobs);
