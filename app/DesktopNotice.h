#pragma once

#include <string>

// A notice on the user's desktop through the freedesktop notification
// service on the session bus, for a run nobody watches. False when there is
// no session bus or no service answered.
bool notifyDesktop(const std::string& summary, const std::string& body);
