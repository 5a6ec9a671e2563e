#include "platform/MessageBox.h"

#include <utility>

namespace platform {
namespace {

// Until the widget layer installs the real boxes, a box cannot be shown and
// counts as answered with its safe button.
MsgAnswer unattended(const std::string&, const std::string&, int style)
{
    return SafeAnswer(style);
}

MessageBoxHandler& handler()
{
    static MessageBoxHandler current = unattended;
    return current;
}

} // namespace

MsgAnswer SafeAnswer(int style)
{
    return (style == kMsgQuestion || style == kMsgQuestionNoDefault) ? MsgAnswer::No : MsgAnswer::Ok;
}

MsgAnswer showMessage(const std::string& text, const std::string& title, int style)
{
    return handler()(text, title, style);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler newHandler)
{
    MessageBoxHandler previous = std::move(handler());
    handler() = newHandler ? std::move(newHandler) : MessageBoxHandler(unattended);
    return previous;
}

} // namespace platform
