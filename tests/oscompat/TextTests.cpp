// Unicode and code-page conversions.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "oscompat/CodePage.h"
#include "oscompat/Utf.h"

using namespace oscompat;

TEST(Utf, RoundTripsCjkAndAstralThroughEveryForm) {
  const std::wstring text = L"传递参数 Vokaran 😀";
  EXPECT_EQ(wideFromUtf8(utf8FromWide(text)), text);
  const std::u16string u16 = utf16FromWide(text);
  EXPECT_EQ(u16.size(), text.size() + 1);  // the emoji takes a surrogate pair
  EXPECT_EQ(wideFromUtf16(u16), text);
}

TEST(Utf, MalformedInputBecomesReplacementCharactersNotGarbage) {
  // Truncated sequence, stray continuation byte, overlong encoding of '/', a surrogate.
  EXPECT_EQ(wideFromUtf8("a\xE4\xB8"), L"a\uFFFD");
  EXPECT_EQ(wideFromUtf8("\x80z"), L"\uFFFDz");
  EXPECT_EQ(wideFromUtf8("\xC0\xAF"), L"\uFFFD");
  EXPECT_EQ(wideFromUtf8("\xED\xA0\x80"), L"\uFFFD");
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));
  EXPECT_TRUE(isValidUtf8("中文\xEF\xBF\xBD"));
  // A lone surrogate in UTF-16 does not pass through as an invalid code point.
  EXPECT_EQ(wideFromUtf16(u"\xD800x"), L"\uFFFDx");
}

TEST(CodePage, GbkRoundTripAndGb18030Decoding) {
  bool ok = false;
  const std::string gbk = codePageFromWide(L"传递参数不完整", "GBK", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(gbk.size(), 14u);  // two bytes a character
  EXPECT_EQ(wideFromCodePage(gbk, "GBK", &ok), L"传递参数不完整");
  EXPECT_TRUE(ok);
}

TEST(CodePage, UnencodableAndUndecodableTextIsReportedNotGuessed) {
  bool ok = true;
  const std::string out = codePageFromWide(L"ab😀cd", "GBK", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out, "ab");  // what came before the emoji
  ok = true;
  const std::wstring in = wideFromCodePage(std::string("ok\x81", 3), "GBK", &ok);
  EXPECT_FALSE(ok);  // a lead byte without its trail byte
  EXPECT_EQ(in, L"ok");
  ok = true;
  wideFromCodePage("abc", "NO-SUCH-CODEPAGE", &ok);
  EXPECT_FALSE(ok);
}

TEST(CodePage, SystemCodePageFollowsTheEnvironment) {
  unsetenv("VOKARAN_CODEPAGE");
  EXPECT_EQ(systemCodePage(), "UTF-8");
  EXPECT_EQ(wideFromCodePage("中"), L"中");
  setenv("VOKARAN_CODEPAGE", "GBK", 1);
  EXPECT_EQ(wideFromCodePage(codePageFromWide(L"中", "GBK")), L"中");
  unsetenv("VOKARAN_CODEPAGE");
}
