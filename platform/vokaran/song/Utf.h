#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vokaran {

// Strict UTF-8 decoding: overlong forms, surrogates and truncated sequences are refused.
std::optional<std::u32string> decodeUtf8(std::string_view text);
std::u16string utf32ToUtf16(std::u32string_view text);
std::optional<std::u16string> utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);
// Paths arrive from the module as wide strings (UTF-32 on Linux); the file system wants UTF-8.
std::string wideToUtf8(const wchar_t* text);
std::string utf32ToUtf8(std::u32string_view text);

} // namespace vokaran
