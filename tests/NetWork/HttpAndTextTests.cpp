// CHttp against a scripted server, the code-page conversions, trimming, the file-name helper
// and the factory registry's refusals.
#include <CEGUI/Exceptions.h>
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "NetWork/CHttp.h"
#include "NetWork/NetTextConvert.h"
#include "NetWork/NetworkInterface.h"
#include "NetWork/NetworkInterfaceFactoryManager.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "app/SafeFileName.h"
#include "oscompat/Utf.h"

namespace {

using vktest::ScriptedHttpServer;

std::wstring w(const std::string& utf8) { return oscompat::wideFromUtf8(utf8); }

class Http : public ::testing::Test {
 protected:
  ScriptedHttpServer server_;
};

// Texts that are no web address cost no request; a local file is never read as a picture.
TEST_F(Http, NoUrlGivesZeroWithoutNetworkAccess) {
  vktest::TempDir dir;
  vktest::writeFile(dir.file("p.png"), vktest::encodedPicture(FIF_PNG));
  std::vector<unsigned char> room(64 * 1024);
  for (const std::wstring& text : std::vector<std::wstring>{L"", L"pictures/p.png", L"C:\\p.png", L"://x",
                                                           w("file://" + dir.file("p.png"))}) {
    std::size_t length = 7;
    EXPECT_EQ(CHttp::contentLength(text), 0);
    EXPECT_EQ(CHttp::download(text, room.data(), room.size(), length), 0);
    EXPECT_EQ(length, 0u);
  }
}

TEST_F(Http, ABodyInManyReadsArrivesWhole) {
  std::string body(256 * 1024, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 251);
  server_.on("/big", {ScriptedHttpServer::answer(body)});
  const int announced = CHttp::contentLength(w(server_.url("/big")));
  ASSERT_EQ(announced, static_cast<int>(body.size()));
  std::vector<unsigned char> room(2 * static_cast<std::size_t>(announced) + 2, 0);
  std::size_t length = 0;
  ASSERT_EQ(CHttp::download(w(server_.url("/big")), room.data(), room.size(), length), 1);
  EXPECT_EQ(length, body.size());
  EXPECT_EQ(std::string(room.begin(), room.begin() + static_cast<long>(length)), body);
}

// The destination is never written past its room: not when the second answer announces more
// than the first did, not when a body brings more than it announced.
TEST_F(Http, TheDestinationIsNeverOverrun) {
  server_.on("/grows", {ScriptedHttpServer::answer("1234"), ScriptedHttpServer::answer(std::string(4000, 'x'))});
  server_.on("/more", {ScriptedHttpServer::answer(std::string(4000, 'y'), 6)});
  const std::wstring grows = w(server_.url("/grows"));
  const int first = CHttp::contentLength(grows);
  ASSERT_EQ(first, 4);
  std::vector<unsigned char> block(64, 0xEE);
  const std::size_t room = 2 * static_cast<std::size_t>(first) + 2;
  std::size_t length = 0;
  EXPECT_EQ(CHttp::download(grows, block.data(), room, length), 0);
  EXPECT_EQ(CHttp::download(w(server_.url("/more")), block.data(), room, length), 1);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 6), "yyyyyy");
  for (std::size_t i = room; i < block.size(); ++i) ASSERT_EQ(block[i], 0xEE) << "byte " << i;
}

TEST_F(Http, ShortBodiesFailAndMissingLengthsCountAsNone) {
  server_.on("/short", {ScriptedHttpServer::answer("ten bytes!", 100)});
  server_.on("/nolength", {ScriptedHttpServer::answer("no length here", -1, true)});
  std::vector<unsigned char> room(300, 0);
  std::size_t length = 0;
  EXPECT_EQ(CHttp::contentLength(w(server_.url("/short"))), 100);
  EXPECT_EQ(CHttp::download(w(server_.url("/short")), room.data(), room.size(), length), 0);
  EXPECT_EQ(CHttp::contentLength(w(server_.url("/nolength"))), 0);
  EXPECT_EQ(CHttp::download(w(server_.url("/nolength")), room.data(), room.size(), length), 1);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(CHttp::contentLength(w(server_.url("/missing-path"))), 0);  // 404 without a body
}

// What the phone form trims: blanks and tabs at both ends only.
struct TrimCase {
  const wchar_t* in;
  const wchar_t* out;
};
class Trim : public ::testing::TestWithParam<TrimCase> {};
TEST_P(Trim, RemovesBlanksAtBothEnds) {
  std::wstring buffer = GetParam().in;
  std::wstring copy = buffer;
  EXPECT_EQ(std::wstring(trimBlanks(buffer.data())), GetParam().out);
  EXPECT_EQ(trimBlanks(copy), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Texts, Trim,
                         ::testing::Values(TrimCase{L"  13812345678 \t", L"13812345678"},
                                           TrimCase{L"  two words\t", L"two words"},
                                           TrimCase{L"a\tb", L"a\tb"}, TrimCase{L"", L""},
                                           TrimCase{L" \t \t", L""}, TrimCase{L"x", L"x"},
                                           TrimCase{L"\tx ", L"x"}),
                         [](const ::testing::TestParamInfo<TrimCase>& info) {
                           return "text" + std::to_string(info.index);
                         });

TEST(TrimNull, GivesNull) { EXPECT_EQ(trimBlanks(static_cast<wchar_t*>(nullptr)), nullptr); }

TEST(CodePages, ConvertBothWaysAndFailWhole) {
  EXPECT_EQ(narrowFromWide(L"中文ab", 936), "\xD6\xD0\xCE\xC4" "ab");
  EXPECT_EQ(wideFromNarrow("\xD6\xD0\xCE\xC4" "ab", 936), L"中文ab");
  EXPECT_EQ(narrowFromWide(L"中文", 65001), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(wideFromNarrow("\xE4\xB8\xAD\xE6\x96\x87", 65001), L"中文");
  // Failures give empty text, never a part of it.
  EXPECT_EQ(narrowFromWide(L"中\U0001F600文", 936), "");          // outside GBK
  EXPECT_EQ(wideFromNarrow("ok\xE4\xB8", 65001), L"");            // cut-off UTF-8
  EXPECT_EQ(wideFromNarrow("ok\xFF\xFE\xFF", 936), L"");          // not GBK
  EXPECT_EQ(narrowFromWide(L"abc", 12345), "");                   // no such code page
  EXPECT_EQ(narrowFromWide(L"", 936), "");
}

TEST(CodePages, ZeroIsTheSystemCodePage) {
  ::setenv("VOKARAN_CODEPAGE", "GBK", 1);
  EXPECT_EQ(narrowFromWide(L"中", 0), "\xD6\xD0");
  EXPECT_EQ(wideFromNarrow("\xD6\xD0", 0), L"中");
  ::unsetenv("VOKARAN_CODEPAGE");
  EXPECT_EQ(narrowFromWide(L"中", 0), "\xE4\xB8\xAD");
}

// Identifiers from the server become file names: they stay in their folder whatever they hold.
struct NameCase {
  std::wstring in;
  std::wstring out;
};
class FileName : public ::testing::TestWithParam<NameCase> {};
TEST_P(FileName, StaysOneComponent) { EXPECT_EQ(safeFileNameComponent(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(
    Identifiers, FileName,
    ::testing::Values(NameCase{L"10001", L"10001"},
                      NameCase{L"20240101120000_100001", L"20240101120000_100001"},
                      NameCase{L"中文歌", L"中文歌"}, NameCase{L"../../etc/passwd", L"______etc_passwd"},
                      NameCase{L"..", L"__"}, NameCase{L".", L"_"}, NameCase{L"", L"_"},
                      NameCase{L"a\\b", L"a_b"}, NameCase{L"x..y.z", L"x__y.z"},
                      NameCase{std::wstring(L"a\nb\x7F") + L'\0', L"a_b__"},
                      NameCase{std::wstring(300, L'k'), std::wstring(120, L'k')}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return "name" + std::to_string(info.index); });

TEST(FactoryRegistry, RefusesNullAndSecondFactoriesWithTheirMessages) {
  NetworkInterfaceFactoryManager registry;
  try {
    registry.addFactory(nullptr);
    FAIL() << "no exception";
  } catch (const CEGUI::NullObjectException& e) {
    EXPECT_EQ(e.getMessage(),
              "NetworkInterfaceFactoryManager::addFactory - The provided NetworkInterfaceFactoryManager "
              "pointer was invalid.");
  }
  addNetworkInterfaceFactory<NetworkInterface>();
  NetworkInterfaceFactory* first = registry.getFactory(NetworkInterface::TypeName);
  ASSERT_NE(first, nullptr);
  EXPECT_THROW(addNetworkInterfaceFactory<NetworkInterface>(), CEGUI::AlreadyExistsException);
  EXPECT_EQ(registry.getFactory(L"NetworkInterface"), first);  // the first one stays
  registry.removeFactory(first);
  EXPECT_EQ(registry.getFactory(L"NetworkInterface"), nullptr);
}

TEST(FactoryRegistry, WithoutARegistryNothingIsRegistered) {
  EXPECT_EQ(NetworkInterfaceFactoryManager::getSingletonPtr(), nullptr);
  EXPECT_NO_THROW(addNetworkInterfaceFactory<NetworkInterface>());
}

}  // namespace
