// UTF-8 text on the wire; wide text (wchar_t, UTF-32 on Linux) at the library's interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vk::wire {

// True when `text` is well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view text);

// Code points of well-formed UTF-8; malformed bytes become U+FFFD.
std::u32string decodeUtf8(std::string_view text);

std::string encodeUtf8(std::u32string_view text);

// Wide text to UTF-8 and back (wchar_t holds UTF-32 here); bad code units become U+FFFD.
std::string wideToUtf8(std::wstring_view text);
std::wstring utf8ToWide(std::string_view text);

}  // namespace vk::wire
