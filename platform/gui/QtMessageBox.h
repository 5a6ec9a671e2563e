#pragma once

#include "platform/MessageBox.h"

#include <string>

namespace platform::gui {

// Shows a modal QMessageBox over the active window: style 16 critical + OK,
// 36 question + Yes/No, 64 information + OK, 292 question + Yes/No with No
// as the default. "\r\n" in the text is a line break.
MsgAnswer showQtMessageBox(const std::string& text, const std::string& title, int style);

// Makes showQtMessageBox the program's message box handler.
void installQtMessageBoxes();

} // namespace platform::gui
