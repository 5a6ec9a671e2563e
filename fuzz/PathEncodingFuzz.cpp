// The path-to-name encoding: every restore decodes names that a damaged or
// crafted store controls, so UnescapeString and DecodePath must take any
// bytes; and every folder a backup names must come back from its archive name.
//
// The round trip DecodePath(EncodePath(x)) == x holds for every byte string x
// that does not hold "_P-" (EncodePath takes such a text as already encoded
// and leaves it alone) and neither begins nor ends with a space (the escaping
// drops surrounding spaces, and folder paths end in a separator anyway). For
// any other x without "_P-" the decoded name is x without its surrounding
// spaces.

#include "fuzz/FuzzSupport.h"
#include "pathutil/PathEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::string withoutSurroundingSpaces(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isLetterOrDigit(char ch)
{
    auto c = static_cast<unsigned char>(ch);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// An escaped text is letters, digits and '%' with two upper-case hex digits.
void checkEscaped(const std::string& escaped)
{
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (isLetterOrDigit(escaped[i]))
            continue;
        FUZZ_CHECK(escaped[i] == '%' && i + 2 < escaped.size(), fuzzsupport::visible(escaped));
        for (std::size_t k = i + 1; k <= i + 2; ++k)
            FUZZ_CHECK(std::string("0123456789ABCDEF").find(escaped[k]) != std::string::npos,
                fuzzsupport::visible(escaped));
        i += 2;
    }
}

void checkNameOf(const std::string& path)
{
    const std::string trimmed = withoutSurroundingSpaces(path);
    const std::string escaped = EscapeString(path);
    checkEscaped(escaped);
    FUZZ_CHECK(UnescapeString(escaped) == trimmed, fuzzsupport::visible(path));

    const std::string name = EncodePath(path);
    // A name a backup writes: letters, digits and the escape marker only.
    FUZZ_CHECK(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-")
            == std::string::npos,
        fuzzsupport::visible(name));
    FUZZ_CHECK(DecodePath(name) == trimmed,
        fuzzsupport::visible(path) + " came back as " + fuzzsupport::visible(DecodePath(name)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any bytes: decoding never grows a text and never fails.
    const std::string unescaped = UnescapeString(text);
    FUZZ_CHECK(unescaped.size() <= withoutSurroundingSpaces(text).size(), fuzzsupport::visible(text));
    const std::string decoded = DecodePath(text);
    if (text.find(kEncodedEscape) == std::string::npos)
        FUZZ_CHECK(decoded == text, fuzzsupport::visible(text));

    if (text.find(kEncodedEscape) == std::string::npos)
        checkNameOf(text);
    else
        FUZZ_CHECK(EncodePath(text) == text, fuzzsupport::visible(text));
    return 0;
}
