#include "store/RunHost.h"

std::string ErrorBoxText(const std::string& text)
{
    return "Error!\r\n\r\n" + text;
}

void ShowErrorBox(RunHost& host, const std::string& text)
{
    host.showMessage(ErrorBoxText(text), "Error!", platform::kMsgCritical);
}
