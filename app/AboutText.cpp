#include "app/AboutText.h"

#include "AppInfo.h"

#include <iterator>

std::string aboutText()
{
    const std::string company = appinfo::kCompany;
    const char* const lines[] = {
        nullptr, // authorship, below
        "E-mail: backup@example.com",
        "Web: https://www.example.com/backup",
        "",
        nullptr, // name and version, below
        "",
        "This program uses the 7z archiver from www.7-zip.org",
    };
    std::string text;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        if (i > 0)
            text += "\r\n";
        if (i == 0)
            text += "Written by " + company;
        else if (i == 4)
            text += std::string(appinfo::kProductName) + " " + appinfo::kVersionText;
        else
            text += lines[i];
    }
    return text;
}
