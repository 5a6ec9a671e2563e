#pragma once

#include <QString>

#include <string>

// Paths and texts are byte strings below the widgets. Valid UTF-8 shows as
// its characters; a byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC00 + byte, and turns back into the same byte, so a name that
// is not valid UTF-8 survives a trip through a text box or list unchanged.
// Every path the program shows goes through here, so that a byte such as
// 0xE9 looks the same in a window as in the log.
namespace platform {

QString textFromBytes(const std::string& bytes);
std::string bytesFromText(const QString& text);

// What textFromBytes shows, as UTF-8, for log lines and other byte texts.
// UTF-8 cannot hold the lone surrogate that stands for a stray byte, so such
// a byte shows as U+FFFD, the replacement character: the reader still sees
// that something that is no character stands there, and the text stays valid
// UTF-8. Unlike textFromBytes, this cannot be turned back into the bytes.
std::string displayText(const std::string& bytes);

} // namespace platform
