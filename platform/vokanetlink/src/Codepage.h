// 8-bit text at the library's interface is in the system code page: UTF-8 unless the
// environment variable VOKARAN_CODEPAGE names another (converted with glibc's iconv).
#pragma once

#include <string>
#include <string_view>

namespace vk::netlink {

// System code page → UTF-8; bytes that do not convert become U+FFFD.
std::string systemToUtf8(std::string_view text);
// UTF-8 → system code page; characters the code page lacks become '?'.
std::string utf8ToSystem(std::string_view text);

}  // namespace vk::netlink
