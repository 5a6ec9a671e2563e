#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

// The list of names a compression job leaves out of its archive: a job file
// of the application folder, readable by the user alone (the names are the
// user's), made before the job and removed after it.
inline constexpr char kLeaveOutList[] = "leaveout.txt";

// True when the archiver can take the name in its list: it reads the list as
// UTF-8 and refuses a line that is not, and a name holding a line break
// would be read as two lines.
bool CanLeaveOut(const std::string& name);

// The list's bytes: one name a line, each between double quotes, so the
// archiver keeps spaces at either end and quotes within as they are.
std::string LeaveOutListText(const std::vector<std::string>& names);

// Writes the list for `names` (each one CanLeaveOut) into `listFile`, a job
// file of the job's slot (kLeaveOutList in the application folder for a run
// of one job).
platform::Status WriteLeaveOutList(const std::string& listFile, const std::vector<std::string>& names);
