// Rank records per song (PKRankSet) and the tone records (TunedCtrl, TunedInfo.xml).
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <tuple>

#include "AppSet/PKRankSet.h"
#include "AppSet/TunedCtrl.h"
#include "SetTestSupport.h"

using settest::kHeader;

namespace {

class Ranks : public settest::SettingsGuiTest {};

SongRank rank(const wchar_t* final, const wchar_t* rate) { return {final, L"30", L"20", L"10", rate}; }

}  // namespace

TEST_F(Ranks, RecordsKeepFileOrderAndEmptySongsStayEmptyElements) {
  PKRankSet set;
  EXPECT_FALSE(set.SaveSets());  // no path yet: nothing written
  set.setPath(wideAppSets("PKRank.xml"));
  set.addRank(L"S2", rank(L"90", L"A"));
  set.addRank(L"S1", rank(L"70", L"C"));
  set.addRank(L"S2", rank(L"95", L"S"));
  ASSERT_TRUE(set.SaveSets());
  // A song without records, as another store might hold it.
  std::string saved = vktest::readFile(appSets("PKRank.xml"));
  saved.replace(saved.find("</PKRankSet>"), 12, "<SongInfo SongID=\"S3\"/></PKRankSet>");
  vktest::writeFile(appSets("PKRank.xml"), saved);

  PKRankSet back;
  back.setPath(wideAppSets("PKRank.xml"));
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.songIds(), (std::vector<std::wstring>{L"S2", L"S1", L"S3"}));
  ASSERT_EQ(back.ranks(L"S2")->size(), 2u);
  EXPECT_EQ((*back.ranks(L"S2"))[0].FinalScore, L"90");
  EXPECT_EQ((*back.ranks(L"S2"))[1].Rate, L"S");
  EXPECT_TRUE(back.ranks(L"S3")->empty());
  ASSERT_TRUE(back.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("PKRank.xml")),
            kHeader +
                "<PKRankSet >\n"
                "    <SongInfo SongID=\"S2\" >\n"
                "        <SongRank FinalScore=\"90\" YinGanScore=\"30\" FeelScore=\"20\" JieZouScore=\"10\" Rate=\"A\" />\n"
                "        <SongRank FinalScore=\"95\" YinGanScore=\"30\" FeelScore=\"20\" JieZouScore=\"10\" Rate=\"S\" />\n"
                "    </SongInfo>\n"
                "    <SongInfo SongID=\"S1\" >\n"
                "        <SongRank FinalScore=\"70\" YinGanScore=\"30\" FeelScore=\"20\" JieZouScore=\"10\" Rate=\"C\" />\n"
                "    </SongInfo>\n"
                "    <SongInfo SongID=\"S3\" />\n"
                "</PKRankSet>\n");
}

// Loading twice, or a file naming a song twice, neither repeats songs nor loses records.
TEST_F(Ranks, ReloadingAndRepeatedSongsDoNotGrowOrLoseTheFile) {
  vktest::writeFile(appSets("PKRank.xml"),
                    "<PKRankSet><SongInfo SongID=\"A\"><SongRank FinalScore=\"1\"/></SongInfo>"
                    "<SongInfo SongID=\"B\"/><SongInfo SongID=\"A\"><SongRank FinalScore=\"2\"/></SongInfo></PKRankSet>");
  PKRankSet set;
  set.setPath(wideAppSets("PKRank.xml"));
  ASSERT_TRUE(set.LoadSets());
  ASSERT_TRUE(set.LoadSets());
  EXPECT_EQ(set.songIds(), (std::vector<std::wstring>{L"A", L"B"}));
  ASSERT_EQ(set.ranks(L"A")->size(), 2u);
  EXPECT_EQ((*set.ranks(L"A"))[1].FinalScore, L"2");
  EXPECT_EQ((*set.ranks(L"A"))[1].Rate, L"");  // missing attributes read as empty text
}

TEST_F(Ranks, DamagedFileLeavesAnEmptyStoreAndReportsIt) {
  vktest::writeFile(appSets("PKRank.xml"), "<PKRankSet><SongInfo SongID=\"A\"><SongRank FinalScore=\"1\"/>");
  PKRankSet set;
  set.setPath(wideAppSets("PKRank.xml"));
  set.addRank(L"Z", rank(L"1", L"D"));
  EXPECT_FALSE(set.LoadSets());
  EXPECT_TRUE(set.songIds().empty());
}

namespace {

class Tones : public settest::SettingsGuiTest {};

}  // namespace

TEST_F(Tones, SevenSlotsRoundTripInTheirFormat) {
  TunedCtrl tuned(wideAppSets("TunedInfo.xml"));
  ToneRecord r;
  r.IsMale = 0;
  r.HighPitch = 72;
  r.HighKey = -2;
  r.Leave = 3;
  r.bUse = 1;
  r.bChecked = 1;
  ASSERT_TRUE(tuned.setRecord(6, r));
  EXPECT_FALSE(tuned.setRecord(7, r));
  EXPECT_FALSE(tuned.setRecord(-1, r));
  ASSERT_TRUE(tuned.SaveSets());
  const std::string defaultItem = "    <Item IsMale=\"true\" HighPitch=\"0\" HighKey=\"0\" Leave=\"0\" bUse=\"false\" />\n";
  std::string want = kHeader + "<ROOT >\n";
  for (int i = 0; i < 6; ++i) want += defaultItem;
  want += "    <Item IsMale=\"false\" HighPitch=\"72\" HighKey=\"-2\" Leave=\"3\" bUse=\"true\" />\n</ROOT>\n";
  EXPECT_EQ(vktest::readFile(appSets("TunedInfo.xml")), want);

  TunedCtrl back(wideAppSets("TunedInfo.xml"));
  ASSERT_TRUE(back.LoadSets());
  const ToneRecord& b = back.records()[6];
  EXPECT_EQ(std::tie(b.IsMale, b.HighPitch, b.HighKey, b.Leave, b.bUse), std::make_tuple(0, 72, -2, 3, uint8_t{1}));
  EXPECT_EQ(b.bChecked, 0);  // not stored
}

TEST_F(Tones, MissingAttributesAndExtraItems) {
  std::string file = "<ROOT><Item HighKey=\"4\" bUse=\"true\" IsMale=\"false\" HighPitch=\"9\" Leave=\"2\"/><Item/>";
  for (int i = 0; i < 8; ++i) file += "<Item HighPitch=\"" + std::to_string(100 + i) + "\"/>";
  vktest::writeFile(appSets("TunedInfo.xml"), file + "</ROOT>");
  TunedCtrl tuned(wideAppSets("TunedInfo.xml"));
  ASSERT_TRUE(tuned.LoadSets());
  EXPECT_EQ(tuned.records()[0].HighKey, 4);
  EXPECT_EQ(tuned.records()[0].IsMale, 0);
  const ToneRecord& bare = tuned.records()[1];
  EXPECT_EQ(std::tie(bare.IsMale, bare.HighPitch, bare.HighKey, bare.Leave, bare.bUse),
            std::make_tuple(1, 0, 0, 0, uint8_t{0}));
  EXPECT_EQ(tuned.records()[6].HighPitch, 104);  // the seventh item; the rest are cut off
  ASSERT_TRUE(tuned.SaveSets());
  EXPECT_EQ(settest::countOf(vktest::readFile(appSets("TunedInfo.xml")), "<Item "), 7u);
}
