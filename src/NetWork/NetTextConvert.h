#pragma once
// Text handed to and taken from the networking library: UTF-16-style wide text to 8-bit text
// in a code page and back, and trimming blanks.
#include <string>

// Code page numbers as the program passes them: 0 is the system code page (UTF-8 unless
// VOKARAN_CODEPAGE names another), 65001 UTF-8, 936 GBK, 54936 GB18030, 950 Big5; other
// numbers name the code page "CP<number>".
//
// Wide text to 8-bit text; empty when the conversion fails (a character the code page cannot
// hold, an unknown code page). Any thread.
std::string narrowFromWide(const std::wstring& text, int codePage);
// 8-bit text to wide text; empty when the conversion fails (bytes that are not text in that
// code page, an unknown code page). Any thread.
std::wstring wideFromNarrow(const std::string& text, int codePage);

// Removes leading and trailing spaces and tabs in place and returns `text`; null gives null.
wchar_t* trimBlanks(wchar_t* text);
// The same for a string.
std::wstring& trimBlanks(std::wstring& text);
