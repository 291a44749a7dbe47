#include "TestSupport.h"

#include "Vokaran.h"
#include "song/Crc32.h"
#include "song/SongFile.h"

using namespace vokaran;
using namespace vktest;

namespace {

SongData twoPartSong() {
    MidiBuilder m;
    m.note(0, 0.1, 0.5, 69).note(1, 0.5, 0.9, 72).note(9, 0, 0.1, 36);
    SongData s = songWithMidi(m, 1.0);
    SongPart p2;
    p2.number = 2;
    p2.voiceType = 1;
    p2.lines.push_back({u"合唱", true, 2, et(0.5), et(0.9)});
    p2.words.push_back({et(0.5), et(0.9), 0, 0, u"合", u"he"});
    p2.countIns.push_back({et(0.5), 4});
    p2.notes.push_back({et(0.5), et(0.9), 60, {0, 0, 96, 1}});
    s.parts.push_back(p2);
    return s;
}

} // namespace

// Save and reload through a file: every field survives.
TEST(SongFile, SavedFileReloadsIdentically) {
    TempDir dir;
    const SongData song = twoPartSong();
    writeBytes(dir.file("song.mic"), writeSongFile(song));
    auto parsed = parseSongFile(readBytes(dir.file("song.mic")));
    ASSERT_TRUE(parsed.song) << parsed.message;
    const SongData& r = *parsed.song;
    EXPECT_EQ(r.name, song.name);
    EXPECT_EQ(r.singer, song.singer);
    EXPECT_EQ(r.songEnd, song.songEnd);
    EXPECT_EQ(r.midi, song.midi);
    ASSERT_EQ(r.parts.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto &a = r.parts[i], &b = song.parts[i];
        EXPECT_EQ(a.number, b.number);
        EXPECT_EQ(a.voiceType, b.voiceType);
        ASSERT_EQ(a.lines.size(), b.lines.size());
        EXPECT_EQ(a.lines[0].text, b.lines[0].text);
        EXPECT_EQ(a.lines[0].chorus, b.lines[0].chorus);
        EXPECT_EQ(a.lines[0].row, b.lines[0].row);
        ASSERT_EQ(a.words.size(), b.words.size());
        EXPECT_EQ(a.words.back().phonetic, b.words.back().phonetic);
        EXPECT_EQ(a.words.back().charPos, b.words.back().charPos);
        ASSERT_EQ(a.notes.size(), b.notes.size());
        EXPECT_EQ(a.notes.back().extra, b.notes.back().extra);
        ASSERT_EQ(a.countIns.size(), b.countIns.size());
    }
    EXPECT_EQ(r.parts[1].countIns[0].beats, 4u);
}

// The checksum catches a change of any single byte, wherever it is and whatever its value.
TEST(SongFile, EverySingleByteChangeIsRejected) {
    const auto bytes = writeSongFile(twoPartSong());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            auto damaged = bytes;
            damaged[i] ^= flip;
            ASSERT_NE(VokaMicCheckSumTestFromBuffer(damaged.data(), static_cast<long long>(damaged.size())), VOKA_OK)
                << "byte " << i << " xor " << int(flip);
            ASSERT_FALSE(parseSongFile(damaged).song) << "byte " << i;
        }
    }
    EXPECT_EQ(VokaMicCheckSumTestFromBuffer(bytes.data(), static_cast<long long>(bytes.size())), VOKA_OK);
}

// Every truncation is refused, with "truncated" rather than a crash or a misread.
TEST(SongFile, EveryTruncationIsRejected) {
    const auto bytes = writeSongFile(twoPartSong());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
        auto r = parseSongFile(cut);
        ASSERT_FALSE(r.song) << n;
        ASSERT_FALSE(r.message.empty());
    }
}

TEST(SongFile, OversizedAndGarbageInputsAreRejected) {
    std::vector<std::uint8_t> huge(kMaxSongFileBytes + 1, 0);
    EXPECT_EQ(parseSongFile(huge).error, SongFileError::TooLarge);
    EXPECT_EQ(VokaMicCheckSumTestFromBuffer(huge.data(), static_cast<long long>(huge.size())), VOKA_ERR_BAD_SONG);
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        std::vector<std::uint8_t> junk(rng() % 400);
        for (auto& b : junk) b = static_cast<std::uint8_t>(rng());
        EXPECT_FALSE(parseSongFile(junk).song);
    }
    EXPECT_EQ(VokaMicCheckSumTestFromBuffer(nullptr, 10), VOKA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(VokaMicCheckSumTestFromBuffer(huge.data(), -5), VOKA_ERR_BAD_ARGUMENT);
}

// A file whose checksum is right but whose content lies is still refused, naming the fault.
TEST(SongFile, ConsistentChecksumDoesNotHideBadContent) {
    auto bytes = writeSongFile(twoPartSong());
    // The first PART chunk follows INFO and MIDI; find it and claim a billion lines.
    const std::string tag = "PART";
    auto it = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    ASSERT_NE(it, bytes.end());
    const std::size_t countAt = static_cast<std::size_t>(it - bytes.begin()) + 8 + 8;
    bytes[countAt + 3] = 0x40;
    const auto crc = crc32(bytes.data(), bytes.size() - 4);
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = (crc >> (8 * i)) & 0xFF;
    auto r = parseSongFile(bytes);
    EXPECT_FALSE(r.song);
    EXPECT_EQ(r.error, SongFileError::BadField);
    EXPECT_NE(r.message.find("lines"), std::string::npos) << r.message;
}

// The writer refuses what the engine's records cannot hold instead of cutting it.
TEST(SongFile, WriterRefusesTextLongerThanTheRecords) {
    SongData s = twoPartSong();
    s.parts[0].lines[0].text = std::u16string(kMaxLineTextUnits + 1, u'字');
    EXPECT_THROW(writeSongFile(s), std::invalid_argument);
    s = twoPartSong();
    s.parts[0].words[0].phonetic = std::u16string(kMaxPhoneticUnits + 1, u'a');
    EXPECT_THROW(writeSongFile(s), std::invalid_argument);
}

// Songs without lyrics, with one part, with overlapping notes or words outside any line are
// valid files: the model decides what to show.
TEST(SongFile, UnusualButValidContentIsAccepted) {
    SongData s = twoPartSong();
    s.parts.pop_back();
    s.parts[0].lines.clear();
    s.parts[0].words[0].line = 7;
    s.parts[0].notes.push_back({et(0.2), et(0.4), 70, {}});
    auto r = parseSongFile(writeSongFile(s));
    ASSERT_TRUE(r.song) << r.message;
    EXPECT_EQ(r.song->parts.size(), 1u);
    EXPECT_EQ(r.song->parts[0].words[0].line, 7);
}

TEST(Smf, TempoMapAndRunningStatusGiveEventTimes) {
    // Format 0, 96 ticks per quarter; tempo 120 bpm, then 60 bpm from tick 96.
    const std::vector<std::uint8_t> smf = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 25,
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 us
        0x00, 0x90, 60, 100,                        // note on at 0
        0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // tick 96: 1000000 us
        0x60, 60, 0,                                // running status: note off at tick 192
        0x00, 0xFF, 0x2F, 0x00};
    auto r = parseSmf(smf);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.sequence.events.size(), 2u);
    EXPECT_DOUBLE_EQ(r.sequence.events[0].seconds, 0.0);
    EXPECT_NEAR(r.sequence.events[1].seconds, 0.5 + 1.0, 1e-9);
    EXPECT_EQ(r.sequence.events[1].data2, 0);
}

TEST(Smf, MalformedFilesAreRefusedWithAReason) {
    const std::vector<std::vector<std::uint8_t>> bad = {
        {},
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 2, 0, 1, 0, 96},                         // format 2
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0xE7, 0x28},                    // SMPTE
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 7, 0, 60, 100, 0, 0xFF, 0x2F, 0},  // running status first
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0x10, 0},  // track too long
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 5, 0x8F, 0x8F, 0x8F, 0x8F, 0x0F},  // 5-byte delta
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        auto r = parseSmf(bad[i]);
        EXPECT_FALSE(r.ok) << i;
        EXPECT_FALSE(r.error.empty()) << i;
    }
}
