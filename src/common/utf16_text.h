#pragma once
// UTF-8 text and the registry's UTF-16LE bytes, for code that handles a value's or a file's
// bytes as Windows keeps them without calling Windows.
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// Little-endian UTF-16 bytes of `text`, without a terminator. Bytes that are not UTF-8 become
// U+FFFD.
std::string Utf8ToUtf16Le(std::string_view text);
// The UTF-8 text of little-endian UTF-16 bytes; nothing for an odd byte count or an unpaired
// surrogate, so a caller can tell text it can round-trip from bytes it must keep as bytes.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

}  // namespace tarvex
