#pragma once
// Texts of the engine's records: fixed-size UTF-16 arrays, zero-terminated when shorter than
// the array. Read up to the terminator or the end of the array, whichever comes first, so a
// record without a terminator never leads the copy past its field.
#include <cstddef>
#include <string>

std::wstring wideFromEngineText(const char16_t* text, std::size_t capacity);

template <std::size_t N>
std::wstring wideFromEngineText(const char16_t (&text)[N]) {
  return wideFromEngineText(text, N);
}
