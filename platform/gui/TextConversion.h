#pragma once

#include <QString>

#include <string>

// Paths and texts are byte strings below the widgets. Valid UTF-8 shows as
// its characters; a byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC00 + byte, and turns back into the same byte, so a name that
// is not valid UTF-8 survives a trip through a text box or list unchanged.
namespace platform::gui {

QString textFromBytes(const std::string& bytes);
std::string bytesFromText(const QString& text);

} // namespace platform::gui
