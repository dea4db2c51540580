#pragma once

#include <string>
#include <string_view>

namespace kesto {

// Texts inside the program are UTF-8. Files are written in Windows-1252 so that they are
// byte-compatible with the same files written on Windows; readers accept both.

// Windows-1252 bytes to UTF-8. The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the C1 controls of the same number, as Windows converts them, so every byte
// sequence survives a round trip.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252. A character 1252 cannot hold, and every byte of an invalid UTF-8
// sequence, becomes '?'.
std::string utf8ToWindows1252(std::string_view text);

// True when the whole text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// True when every character of the UTF-8 text has a Windows-1252 byte.
bool fitsWindows1252(std::string_view text);

// The text of a file as UTF-8: a byte-order mark selects UTF-8 or UTF-16 (little or big
// endian) and is dropped; otherwise valid UTF-8 is taken as UTF-8 and anything else as
// Windows-1252.
std::string decodeFileText(std::string_view bytes);

} // namespace kesto
