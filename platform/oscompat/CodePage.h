#pragma once
// 8-bit text in a named code page to wide text and back, through glibc iconv. Never touches
// the process-wide C locale, so it is safe on any thread.
#include <string>

namespace oscompat {

// The "system code page" of 8-bit text: UTF-8 unless VOKARAN_CODEPAGE names another
// (for example "GBK"). Read once per call; cheap.
std::string systemCodePage();

// Decodes bytes in `codePage` (empty = the system code page). GBK input is decoded as its
// superset GB18030. On a sequence that cannot be decoded, returns what was decoded before it
// and sets *ok to false.
std::wstring wideFromCodePage(const std::string& bytes, const std::string& codePage = {},
                              bool* ok = nullptr);

// Encodes wide text in `codePage` (empty = the system code page). Characters the code page
// cannot hold end the conversion: the result holds what was encoded before, *ok is false.
std::string codePageFromWide(const std::wstring& text, const std::string& codePage = {},
                             bool* ok = nullptr);

}  // namespace oscompat
