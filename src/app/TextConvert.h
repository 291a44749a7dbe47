#pragma once
// Text crossing between the module's representations: 8-bit text in the system code page
// (command line, network), wide strings (paths, user text) and the GUI library's strings.
#include <CEGUI/String.h>

#include <string>

// 8-bit text in the system code page to wide text. Thread-safe: it never changes the C
// locale. Undecodable bytes end the conversion (what came before is kept).
std::wstring toWide(const std::string& text);
// Wide text to 8-bit text in the system code page.
std::string toNarrow(const std::wstring& text);

CEGUI::String guiString(const std::wstring& text);
CEGUI::String guiStringUtf8(const std::string& utf8);
std::wstring wideFromGui(const CEGUI::String& text);
