#include "app/TextConvert.h"

#include "oscompat/CodePage.h"
#include "oscompat/Utf.h"

std::wstring toWide(const std::string& text) { return oscompat::wideFromCodePage(text); }

std::string toNarrow(const std::wstring& text) { return oscompat::codePageFromWide(text); }

CEGUI::String guiString(const std::wstring& text) {
  CEGUI::String out;
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<CEGUI::utf32>(c);
  return out;
}

CEGUI::String guiStringUtf8(const std::string& utf8) {
  return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(utf8.c_str()));
}

std::wstring wideFromGui(const CEGUI::String& text) {
  std::wstring out;
  out.reserve(text.length());
  for (size_t i = 0; i < text.length(); ++i) out += static_cast<wchar_t>(text[i]);
  return out;
}
