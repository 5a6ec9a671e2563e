#include "platform/TextConversion.h"

#include <gtest/gtest.h>

using platform::bytesFromText;
using platform::displayText;
using platform::textFromBytes;

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
        std::string("\xc3"), // cut sequence
        std::string("\xc0\xaf"), // overlong slash
        std::string("\xed\xa0\x80"), // encoded surrogate
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

TEST(TextConversion, DisplayTextIsWhatAWindowShowsWithStrayBytesReplaced)
{
    // A Latin-1 é is no UTF-8: it shows as one replacement character in any
    // locale, where decoding by the locale would make it é in some and not others.
    EXPECT_EQ(displayText("/home/Grüße/日本 \xF0\x9F\x98\x80"), "/home/Grüße/日本 \xF0\x9F\x98\x80");
    EXPECT_EQ(displayText(std::string("caf\xe9.txt")), "caf\uFFFD.txt");
    EXPECT_EQ(displayText(std::string("\xed\xa0\x80")), "\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(displayText(std::string("cut \xe2\x82")), "cut \uFFFD\uFFFD");
    EXPECT_EQ(displayText(""), "");

    // Character for character what textFromBytes gives, stand-ins for bytes
    // made U+FFFD, for every sample and every single byte.
    std::vector<std::string> samples = {
        std::string("mixed \xe2\x82\xac and \xe2\x82 cut"),
        std::string("\xc0\xaf\xf4\x90\x80\x80\xff"),
        "plain",
    };
    for (int i = 0; i < 256; ++i)
        samples.push_back(std::string(1, static_cast<char>(i)) + "x");
    for (const std::string& bytes : samples) {
        QString shown = textFromBytes(bytes);
        for (qsizetype k = 0; k < shown.size(); ++k) {
            const char16_t unit = shown.at(k).unicode();
            if (unit >= 0xDC80 && unit <= 0xDCFF)
                shown[k] = QChar(char16_t(0xFFFD));
        }
        EXPECT_EQ(displayText(bytes), shown.toStdString()) << bytes;
    }
}

} // namespace
