#pragma once
// Unicode conversions between UTF-8, UTF-32 (std::wstring on Linux) and UTF-16
// (char16_t, used by records with a fixed binary layout). Invalid input never throws:
// malformed sequences become U+FFFD.
#include <string>

namespace oscompat {

std::wstring wideFromUtf8(const std::string& utf8);
std::string utf8FromWide(const std::wstring& wide);
std::u16string utf16FromWide(const std::wstring& wide);
std::wstring wideFromUtf16(const std::u16string& utf16);
// True when the bytes are well-formed UTF-8.
bool isValidUtf8(const std::string& bytes);

}  // namespace oscompat
