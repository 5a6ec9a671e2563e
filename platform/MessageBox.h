#pragma once

#include <functional>
#include <string>

// Every message box of the program goes through here, so that a test can
// answer it and see what was shown instead of blocking on a modal box.
namespace platform {

// Style values: icon and buttons.
inline constexpr int kMsgCritical = 16; // error icon, OK
inline constexpr int kMsgQuestion = 36; // question icon, Yes and No
inline constexpr int kMsgInformation = 64; // information icon, OK
inline constexpr int kMsgQuestionNoDefault = 292; // question icon, Yes and No, No as default

enum class MsgAnswer { Ok, Yes, No };

using MessageBoxHandler
    = std::function<MsgAnswer(const std::string& text, const std::string& title, int style)>;

// The answer a box gets when nobody is there to give one: OK, or No to a
// question, which never lets anything be overwritten or opened.
MsgAnswer SafeAnswer(int style);

// Shows a modal message box and returns the button the user pressed.
MsgAnswer showMessage(const std::string& text, const std::string& title, int style);

// Replaces the handler that shows boxes; an empty handler restores the default
// (which the widget layer installs at start-up). Returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

} // namespace platform
