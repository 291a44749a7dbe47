#include "engine/EngineText.h"

#include "oscompat/Utf.h"

std::wstring wideFromEngineText(const char16_t* text, std::size_t capacity) {
  std::size_t length = 0;
  while (length < capacity && text[length] != u'\0') ++length;
  // Surrogate pairs become one character; a lone surrogate (a pair cut by the end of the
  // array) becomes U+FFFD.
  return oscompat::wideFromUtf16(std::u16string(text, length));
}
