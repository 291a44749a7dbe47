#include "NetWork/NetTextConvert.h"

#include <cwchar>

#include "oscompat/CodePage.h"

namespace {

std::string codePageName(int codePage) {
  switch (codePage) {
    case 0: return {};  // the system code page
    case 65001: return "UTF-8";
    case 936: return "GBK";
    case 54936: return "GB18030";
    case 950: return "BIG5";
    default: return "CP" + std::to_string(codePage);
  }
}

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::string narrowFromWide(const std::wstring& text, int codePage) {
  bool ok = false;
  std::string out = oscompat::codePageFromWide(text, codePageName(codePage), &ok);
  return ok ? out : std::string();
}

std::wstring wideFromNarrow(const std::string& text, int codePage) {
  bool ok = false;
  std::wstring out = oscompat::wideFromCodePage(text, codePageName(codePage), &ok);
  return ok ? out : std::wstring();
}

wchar_t* trimBlanks(wchar_t* text) {
  if (!text) return nullptr;
  const wchar_t* first = text;
  while (isBlank(*first)) ++first;
  const wchar_t* end = first + std::wcslen(first);
  while (end > first && isBlank(end[-1])) --end;
  const std::size_t kept = static_cast<std::size_t>(end - first);
  std::wmemmove(text, first, kept);
  text[kept] = L'\0';
  return text;
}

std::wstring& trimBlanks(std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) {
    text.clear();
    return text;
  }
  text.erase(text.find_last_not_of(L" \t") + 1);
  text.erase(0, first);
  return text;
}
