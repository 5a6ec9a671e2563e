#pragma once

namespace platform {

// Lets pending window events run, so that a window repaints and stays
// responsive during a long step on the user-interface thread.
void processEvents();

} // namespace platform
