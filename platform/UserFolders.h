#pragma once

#include <string>

// The per-user folders of the desktop's base-directory convention, without a
// trailing separator. An unset, empty or relative variable means its default.
namespace platform {

// $XDG_CONFIG_HOME, default ~/.config: settings.
std::string userConfigHome();

// $XDG_STATE_HOME, default ~/.local/state: state that outlives a run.
std::string userStateHome();

// Creates each missing level of the folder readable only by the user (0700);
// an existing level is left as it is. Fails when the folder cannot be made.
bool makePrivateFolders(const std::string& folder);

} // namespace platform
