#include "store/LeaveOutList.h"

#include "platform/FileOps.h"
#include "store/JobFiles.h"

bool CanLeaveOut(const std::string& name)
{
    std::size_t at = 0;
    while (at < name.size()) {
        const auto lead = static_cast<unsigned char>(name[at]);
        if (lead == '\n' || lead == '\r')
            return false;
        std::size_t length = 1;
        char32_t code = lead;
        if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC2)
            length = 2;
        else if (lead >= 0x80)
            return false;
        if (length > 1) {
            if (at + length > name.size())
                return false;
            code = lead & (0x7F >> length);
            for (std::size_t i = 1; i < length; ++i) {
                const auto next = static_cast<unsigned char>(name[at + i]);
                if ((next & 0xC0) != 0x80)
                    return false;
                code = (code << 6) | (next & 0x3F);
            }
            // Overlong forms, surrogates and codes past Unicode's end are no UTF-8.
            const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
            if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
                return false;
        }
        at += length;
    }
    return true;
}

std::string LeaveOutListText(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += "\"" + name + "\"\n";
    return text;
}

platform::Status WriteLeaveOutList(const std::string& listFile, const std::vector<std::string>& names)
{
    return platform::writeFile(listFile, LeaveOutListText(names), platform::FileAccess::UserOnly);
}
