#include <cctype>
#include "Arrangement.h"
#include "SongSource.h"

#include "midi/Smf.h"
#include "song/SongFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vksong;
using vokaran::kEngineTicksPerSecond;

namespace {

const char* kHeader =
    "title 测试\nsinger 某人\ntempo 120\nmeter 4\nkey C4\nstyle pop\npart 1 female\n";

std::uint32_t beats(double b) { return static_cast<std::uint32_t>(std::llround(b * 0.5 * kEngineTicksPerSecond)); }

std::string readText(const std::string& path) {
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

// Times, words, pinyin, character positions, slurs, rows and count-ins come out as written.
TEST(SongSource, CompilesLinesWordsNotesAndCountIns) {
    const std::string src = std::string(kHeader) +
        "section a\nchords C | G C | C\n"
        "sing 1 at 1\ncount 1\n"
        "line 你好，小明\npinyin ni hao xiao ming\nnotes 1 2_ ~3_ 0 5 | 6 ~5-\n"
        "line* 再见\npinyin zai jian\nnotes 1 2\n";
    auto r = compileSongSource(src, "t.vksong");
    ASSERT_TRUE(r.song) << r.error;
    const auto& p = r.song->parts.at(0);
    EXPECT_EQ(p.voiceType, 2);
    ASSERT_EQ(p.lines.size(), 2u);
    EXPECT_EQ(p.lines[0].text, u"你好，小明");
    EXPECT_EQ(p.lines[0].row, 1);
    EXPECT_EQ(p.lines[1].row, 2);
    EXPECT_TRUE(p.lines[1].chorus);
    EXPECT_EQ(p.lines[0].begin, 0u);  // shown from the start: its first word is less than 3 s in
    EXPECT_EQ(p.lines[0].end, beats(8));
    EXPECT_EQ(p.lines[1].begin, beats(1));  // the next line shows while the first one is sung
    ASSERT_EQ(p.words.size(), 6u);
    EXPECT_EQ(p.words[1].text, u"好");
    EXPECT_EQ(p.words[1].begin, beats(2));
    EXPECT_EQ(p.words[1].end, beats(3));  // the slurred note belongs to 好
    EXPECT_EQ(p.words[2].charPos, 3);     // after the full-width comma
    EXPECT_EQ(p.words[2].phonetic, u"xiao");
    EXPECT_EQ(p.words[4].line, 1);
    ASSERT_EQ(p.notes.size(), 8u);
    EXPECT_EQ(p.notes[2].note, 64);
    EXPECT_EQ(p.notes[2].extra[3], 0);  // slur: does not start a word
    EXPECT_EQ(p.notes[1].extra[0], 1);  // word index
    // One beat of count-in before the line: its beat, then the closing record at the line.
    ASSERT_EQ(p.countIns.size(), 2u);
    EXPECT_EQ(p.countIns[0].end, beats(0));
    EXPECT_EQ(p.countIns[0].beats, 1u);
    EXPECT_EQ(p.countIns[1].end, beats(1));
    EXPECT_EQ(p.countIns[1].beats, 0u);
    EXPECT_EQ(r.song->songEnd, beats(12) + kEngineTicksPerSecond / 2);
}

struct BadSource {
    const char* body;
    int line;
    const char* words;
};

class SongSourceErrors : public ::testing::TestWithParam<BadSource> {};

// Each fault is reported with the line (counted from the header's 7 lines) and a reason.
TEST_P(SongSourceErrors, NameTheLine) {
    const auto& c = GetParam();
    auto r = compileSongSource(std::string(kHeader) + c.body, "bad.vksong");
    ASSERT_FALSE(r.song);
    EXPECT_NE(r.error.find("bad.vksong:" + std::to_string(c.line) + ":"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.words), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, SongSourceErrors, ::testing::Values(
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni\nnotes 1 2\n", 11, "pinyin"},
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni hao\nnotes 1 2 3\n", 13, "more sung notes"},
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni hao\nnotes 1\n", 11, "sung notes"},
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni hao\nnotes 1 9\n", 13, "note \"9\""},
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni hao\nnotes 1-- 2--\n", 8, "past the end"},
    BadSource{"section a\nchords C\nsing 1\nline 你\npinyin ni\nnotes ~1\n", 13, "slur"},
    BadSource{"section a\nchords C:2 G:3\n", 9, "fill"},
    BadSource{"section a\nchords Hm\n", 9, "unknown chord"},
    BadSource{"section a\nchords C\nsing 3\n", 10, "part number"},
    BadSource{"section a\nchords C\nsing 1\ncount 9\nline 你\npinyin ni\nnotes 1\n", 12, "count-in"},
    BadSource{"section a\nchords C\nline 你\n", 10, "sing"},
    BadSource{"tempo 500\n", 8, "tempo"},
    BadSource{"section a\nchords C\ntempo 90\n", 10, "before the first section"},
    BadSource{"section a\nchords C\nsing 1\nnotes 1\n", 11, "must follow a line"},
    BadSource{"section a\nchords C\nfrobnicate\n", 10, "unknown directive"},
    BadSource{"section a\nchords C\nsing 1\nline 你好\npinyin ni hao\nnotes 1 2\nsing 1\nline 好\npinyin hao\nnotes 1\n", 17, "overlaps"},
    BadSource{"section a\n", 8, "no chords"},
    BadSource{"section a\nchords C\nsing 1\nline 你\x01好\n", 11, "control character"},
    BadSource{"section a\nchords C\nsing 1\nline 你\npinyin ni\nnotes 1_____\n", 13, "1/16 to 16 beats"}),
    [](const ::testing::TestParamInfo<BadSource>& info) {
        std::string name;
        for (const char* c = info.param.words; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return "line" + std::to_string(info.param.line) + "_" + name + "_" + std::to_string(info.index);
    });

// Missing title and an empty part are whole-song faults.
TEST(SongSource, WholeSongFaults) {
    auto r = compileSongSource("part 1 male\nsection a\nchords C\n", "x");
    EXPECT_NE(r.error.find("title"), std::string::npos) << r.error;
    r = compileSongSource(std::string(kHeader) + "section a\nchords C\n", "x");
    EXPECT_NE(r.error.find("sings no line"), std::string::npos) << r.error;
    r = compileSongSource("title \xff\xfe\n", "x");
    EXPECT_NE(r.error.find("UTF-8"), std::string::npos) << r.error;
}

// A given arrangement replaces the generated one; a broken one is refused.
TEST(SongSource, ExternalArrangementReplacesTheGeneratedOne) {
    const std::string src = std::string(kHeader) + "section a\nchords C\nsing 1\nline 啊\npinyin a\nnotes 1\n";
    std::vector<vokaran::SmfWriteEvent> ev = {{0, 0x90, 60, 100, {}, 0}, {480, 0x80, 60, 0, {}, 0}};
    const auto midi = vokaran::writeSmf(ev, 480);
    auto r = compileSongSource(src, "x", &midi);
    ASSERT_TRUE(r.song) << r.error;
    EXPECT_EQ(r.song->midi, midi);
    const std::vector<std::uint8_t> junk = {'M', 'T', 'h', 'd'};
    r = compileSongSource(src, "x", &junk);
    EXPECT_FALSE(r.song);
    EXPECT_NE(r.error.find("arrangement"), std::string::npos);
}

class DemoSongs : public ::testing::TestWithParam<const char*> {};

// Each demo song compiles, lasts 1 to 3 minutes, survives a save and reload, and its MIDI has
// melody, bass, chords and drums.
TEST_P(DemoSongs, CompileToCompleteSongs) {
    const std::string path = std::string(VK_SOURCE_DIR) + "/songs/" + GetParam() + ".vksong";
    auto r = compileSongSource(readText(path), path);
    ASSERT_TRUE(r.song) << r.error;
    const double seconds = double(r.song->songEnd) / kEngineTicksPerSecond;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 180.0);
    auto reread = vokaran::parseSongFile(vokaran::writeSongFile(*r.song));
    ASSERT_TRUE(reread.song) << reread.message;
    auto midi = vokaran::parseSmf(reread.song->midi);
    ASSERT_TRUE(midi.ok);
    int notes[16] = {};
    for (const auto& e : midi.sequence.events)
        if (e.kind() == 0x90 && e.data2) ++notes[e.channel()];
    for (int ch : {kChannelMelody1, kChannelChords, kChannelBass, kChannelDrums}) EXPECT_GT(notes[ch], 20) << "channel " << ch;
    for (const auto& p : r.song->parts) {
        EXPECT_FALSE(p.lines.empty());
        EXPECT_EQ(p.notes.size(), std::size_t(notes[p.number - 1])) << "guide melody of part " << p.number;
    }
    const auto dump = dumpSong(*reread.song);
    EXPECT_NE(dump.find("part 1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(All, DemoSongs, ::testing::Values("xiaoxingxing", "liangzhilaohu", "huanlesong", "songbie",
                                                           "molihua", "youyidijiutianchang"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// The catalogue needs a male, a female and a two-part song.
TEST(DemoSongs, CoverMaleFemaleAndTwoParts) {
    bool male = false, female = false, twoParts = false;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VK_SOURCE_DIR) + "/songs")) {
        if (entry.path().extension() != ".vksong") continue;
        auto r = compileSongSource(readText(entry.path().string()), entry.path().string());
        ASSERT_TRUE(r.song) << r.error;
        twoParts |= r.song->parts.size() == 2;
        for (const auto& p : r.song->parts) {
            male |= p.voiceType == 1;
            female |= p.voiceType == 2;
        }
    }
    EXPECT_TRUE(male);
    EXPECT_TRUE(female);
    EXPECT_TRUE(twoParts);
}

TEST(Chords, SymbolsGiveTheirTones) {
    auto c = parseChord("F#m7/A");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->root, 6);
    EXPECT_EQ(c->intervals, (std::vector<int>{0, 3, 7, 10}));
    EXPECT_EQ(c->bass, 9);
    EXPECT_TRUE(parseChord("Bbsus4"));
    EXPECT_FALSE(parseChord("H"));
    EXPECT_FALSE(parseChord("Cm/"));
}

// A line appears on its row ahead of its first word, but never over another part's line that
// still shows on that row.
TEST(SongSource, LinesShowAheadWithoutCoveringAnotherPartsLine) {
    const std::string src = std::string(kHeader) + "part 2 male\n"
        "section a\nchords C | C | C | C\n"
        "sing 1\nline 一二\npinyin yi er\nnotes 1 2 0 0\nline 三四\npinyin san si\nnotes 0 0 3 4\n"
        "sing 2 at 8\nline 五六\npinyin wu liu\nnotes 5 6\n";
    auto r = compileSongSource(src, "t.vksong");
    ASSERT_TRUE(r.song) << r.error;
    const auto& one = r.song->parts.at(0).lines;
    const auto& two = r.song->parts.at(1).lines;
    ASSERT_EQ(one.size(), 2u);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(one[1].begin, one[0].begin);  // shown while the first line is sung
    EXPECT_EQ(two[0].row, 1);
    EXPECT_EQ(two[0].begin, one[0].end + 1);  // row 1 is free once part 1's first line is over
    EXPECT_LT(two[0].begin, r.song->parts.at(1).words.at(0).begin);
}
