#pragma once

#include <string>

// The encoding that turns a folder path into an archive's base name and back:
// every byte that is not an ASCII letter or digit is escaped, and the escape
// is written with a marker that a file name can hold.

// The marker an encoded name writes in place of '%'. A path holding it is
// taken as already encoded.
inline constexpr char kEncodedEscape[] = "_P-";

// Writes every byte that is not an ASCII letter or digit as '%' and two
// upper-case hexadecimal digits; leading and trailing spaces are dropped.
std::string EscapeString(const std::string& text);

// Turns every '%' escape back into its byte; leading and trailing spaces are
// dropped first. Malformed escapes decode as far as their digits go.
std::string UnescapeString(const std::string& text);

// The archive base name of a folder path: the escaped path with every '%'
// written as "_P-". A text already holding "_P-" counts as encoded and is
// returned unchanged.
std::string EncodePath(const std::string& path);

// The folder path of an archive base name; names without "_P-" are returned
// unchanged. A name escaped twice is decoded twice, never a third time.
std::string DecodePath(const std::string& name);
