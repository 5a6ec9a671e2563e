#include "platform/gui/TextConversion.h"

#include <gtest/gtest.h>

using platform::gui::bytesFromText;
using platform::gui::textFromBytes;

namespace {

TEST(TextConversion, Utf8ShowsAsItsCharacters)
{
    EXPECT_EQ(textFromBytes("/home/Grüße/日本"), QString::fromUtf8("/home/Grüße/日本"));
    EXPECT_EQ(textFromBytes("emoji \xF0\x9F\x98\x80"), QString::fromUtf8("emoji \xF0\x9F\x98\x80"));
    EXPECT_EQ(bytesFromText(QString::fromUtf8("/home/Grüße/日本")), "/home/Grüße/日本");
}

TEST(TextConversion, EveryByteStringSurvivesTheRoundTrip)
{
    const std::vector<std::string> samples = {
        "",
        std::string("caf\xe9"),
        std::string("\xff\xfe\x80\xbf"),
        std::string("\xc3"),             // cut sequence
        std::string("\xc0\xaf"),         // overlong slash
        std::string("\xed\xa0\x80"),     // encoded surrogate
        std::string("\xf4\x90\x80\x80"), // beyond U+10FFFF
        std::string("mixed \xe2\x82\xac and \xe2\x82 cut"),
    };
    for (const std::string& bytes : samples)
        EXPECT_EQ(bytesFromText(textFromBytes(bytes)), bytes);
    std::string all;
    for (int i = 1; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(bytesFromText(textFromBytes(all)), all);
}

} // namespace
