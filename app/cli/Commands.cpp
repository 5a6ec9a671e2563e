#include "app/cli/Command.h"

// A new command is a file of its own and one line here.
std::vector<Command> allCommands()
{
    return { backupCommand(), listCommand(), restoreCommand(), checkCommand(), pruneCommand() };
}
