#pragma once

#include <string>

// Every occurrence of `from` in the text replaced by `to`, left to right,
// never looking again at what was put in.
inline std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return out;
        }
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
}
