#pragma once

#include <string>

class QWidget;

namespace platform::gui {

// Lets the user choose a folder in the desktop's folder dialog, owned by the
// given window. Returns the chosen folder's path as bytes, or an empty text
// when the user cancels.
std::string pickFolder(QWidget* owner);

// Tests: the next pickFolder returns this answer (empty: a cancel) instead of
// showing the dialog. One answer per call; resetFolderPicker drops any that
// were not used. pickFolderCalls counts the calls since the last reset.
void setNextPickedFolder(const std::string& answer);
void resetFolderPicker();
int pickFolderCalls();

} // namespace platform::gui
