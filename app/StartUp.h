#pragma once

#include <string>

// The folder that holds the job files and the archiver link: the program's
// own folder when the user may write there, else the user's private state
// folder for the program (created 0700, with a "7z" link to the archiver
// that lies beside the program). Empty when neither can be had.
std::string chooseAppFolder(const std::string& programFolder);

// The user's private state folder for the program, made as needed, holding a
// "7z" link to the one in the program's folder; empty when it cannot be made.
std::string userAppFolder(const std::string& programFolder);

// Start-up: regional settings from the environment, then the application
// folder, which the program keeps for the life of the process and returns.
std::string initApplication();
