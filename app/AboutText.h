#pragma once

#include <string>

// The text of the main window's About box: who wrote the program, how to
// reach them, its name and version, and the archiver it relies on. Lines are
// separated by CR LF, with none after the last.
std::string aboutText();
