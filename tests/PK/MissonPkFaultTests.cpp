// A contest song that does not simply run from start to end: paused and resumed, started again
// from the top, a song end reported when the song is not over, and what a program killed in
// mid-song leaves in Temp. The singer is a synthetic voice on the song's melody.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include "ContestSongFixture.h"
#include "PK/UnfinishedPerformances.h"
#include "oscompat/Utf.h"

namespace {
namespace fs = std::filesystem;

const std::string kSong = std::string(VK_SONGS_DIR) + "/xiaoxingxing.mic";

// The voice of a singer on the song's guide melody, made once for the whole run.
const std::string& voiceFile() {
  static vktest::TempDir dir;
  static const std::string path = [] {
    const std::string out = dir.file("voice.wav");
    const std::string cmd = std::string(VK_DIST_DIR) + "/vokaran-voice " + kSong + " " + out + " > /dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return out;
  }();
  return path;
}

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out;
}

// The total vokaran-score gives the recorded voice of a performance (-1 when it says none).
int rescoredTotal(const std::wstring& voicePath) {
  const std::string cmd = std::string(VK_DIST_DIR) + "/vokaran-score --data " + VK_DIST_DIR +
                          "/PKData/RadeZuz76e.sdc " + kSong + " " + oscompat::utf8FromWide(voicePath);
  std::istringstream out(run(cmd));
  std::string word;
  int total = -1;
  while (out >> word)
    if (word == "total") out >> total;
  return total;
}

class SungContestSong : public vktest::ContestSong {
 protected:
  SungContestSong() : ContestSong(voiceFile()) {}
  void SetUp() override {
    ContestSong::SetUp();
    // The service's own file for the song: the short song the voice sings.
    const fs::path store = service_.dir() / "data" / "store" / "songs";
    fs::create_directories(store);
    fs::copy_file(kSong, store / "100003.mic", fs::copy_options::overwrite_existing);
  }
  CMissonPk* performance() { return dynamic_cast<CMissonPk*>(manager_->current()); }
  // Pumps until the song has played `ms` of score time (false when it ended first).
  bool playedFor(unsigned ms) {
    return waitFor([&] { return VokaGetPlayState() == 0 ? true : VokaGetMidiTime() >= static_cast<int>(ms); }) &&
           VokaGetPlayState() != 0;
  }
  // Lets the GUI run for a while of real time.
  void idle(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    shell().pumpUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 1000);
  }
  static double seconds(const std::wstring& pcm) {
    return double(fs::file_size(oscompat::utf8FromWide(pcm))) / 2 / 44100;
  }
};

// The live total of a paused and resumed song is what its recording scores: nothing sung
// after the pause is missing from the recording.
TEST_F(SungContestSong, APausedAndResumedSongIsRecordedWhole) {
  auto* song = new CMissonPk(vktest::songRecord(L"100003"));
  manager_->Add(song);
  ASSERT_TRUE(waitFor([&] { return plays_ == 1; }));
  for (unsigned at : {3000u, 7000u}) {
    ASSERT_TRUE(playedFor(at));
    EXPECT_EQ(song->Pause(), 0);
    EXPECT_EQ(VokaGetPlayState(), 2);
    const int pausedAt = VokaGetMidiTime();
    idle(100);
    EXPECT_EQ(VokaGetMidiTime(), pausedAt);  // time stands still while paused
    EXPECT_EQ(song->Resume(), 0);
    EXPECT_EQ(song->state, CBaseMisson::Paused);  // the play control bar's cue
    EXPECT_EQ(song->Resume(), 0);  // resuming a playing song changes nothing
  }
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  ASSERT_NE(scoreWindow(), nullptr);
  EXPECT_GT(song->scores.engineTotal, 0);
  EXPECT_EQ(rescoredTotal(song->files.voicePath), song->scores.engineTotal);
  EXPECT_EQ(fs::file_size(oscompat::utf8FromWide(song->files.musicPath)),
            2 * fs::file_size(oscompat::utf8FromWide(song->files.voicePath)));
  EXPECT_FALSE(song->works.incomplete);
}

// Sung again from the top: the stopped song's end is not the performance's end, the recording
// and the scores start afresh, and the score window comes once, at the real end.
TEST_F(SungContestSong, RestartSingsFromTheTopWithAFreshRecording) {
  auto* song = new CMissonPk(vktest::songRecord(L"100003"));
  manager_->Add(song);
  ASSERT_TRUE(waitFor([&] { return plays_ == 1; }));
  ASSERT_TRUE(playedFor(4000));
  CGradeModule* firstGrade = song->grade();
  EXPECT_EQ(song->Restart(), 0);
  EXPECT_EQ(song->state, CBaseMisson::Playing);
  EXPECT_NE(song->grade(), firstGrade);
  idle(200);  // the stopped song's end arrives meanwhile
  EXPECT_EQ(stops_, 0);
  EXPECT_EQ(scoreWindow(), nullptr);
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  ASSERT_NE(scoreWindow(), nullptr);
  EXPECT_EQ(rescoredTotal(song->files.voicePath), song->scores.engineTotal);
  // One song's length (rounded up by the engine), not a song and its first four seconds.
  EXPECT_LE(seconds(song->files.voicePath), VokaGetTotalTime());
  EXPECT_GT(seconds(song->files.voicePath), VokaGetTotalTime() - 2);
}

// A song end reported while a song plays, or again after the song has ended, is not the end.
TEST_F(SungContestSong, ASongEndThatIsNotTheSongsEndChangesNothing) {
  auto postSongEnd = [] {
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver,
                              new CEGUI::EventArgs, "");
  };
  auto* song = new CMissonPk(vktest::songRecord(L"100003"));
  manager_->Add(song);
  manager_->Add(new CMissonPk(vktest::songRecord(L"100004")));
  ASSERT_TRUE(waitFor([&] { return plays_ == 1; }));
  ASSERT_TRUE(playedFor(2000));
  postSongEnd();
  idle(100);
  EXPECT_EQ(stops_, 0);
  EXPECT_EQ(song->state, CBaseMisson::Playing);
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  ASSERT_NE(scoreWindow(), nullptr);
  postSongEnd();
  idle(100);
  EXPECT_EQ(stops_, 1);
  EXPECT_NE(scoreWindow(), nullptr);  // still waiting for the singer
  EXPECT_EQ(manager_->current(), song);
}

// A recording that cannot be written (a full disk): the song is sung to its end, there is no
// score window for a song with nothing recorded, and the queue moves on.
TEST_F(SungContestSong, ASongWhoseRecordingCannotBeWrittenIsSungAndTheQueueMovesOn) {
  auto* song = new CMissonPk(vktest::songRecord(L"100003"));
  manager_->Add(song);
  manager_->Add(new CMissonPk(vktest::songRecord(L"100004")));
  ASSERT_EQ(song->state, CBaseMisson::Prepared);
  song->files.voicePath = song->files.musicPath = L"/dev/full";
  ASSERT_TRUE(waitFor([&] { return plays_ == 2; }));
  EXPECT_EQ(stops_, 1);
  EXPECT_FALSE(scoreWindowShown());
  EXPECT_EQ(manager_->current()->songId(), L"100004");
  ASSERT_EQ(manager_->sang().size(), 1u);
  EXPECT_EQ(manager_->sang()[0]->song.SongID, L"100003");
}

TEST(UnfinishedPerformances, OnlyTheFilesOfSongsThatNeverEndedAreRemoved) {
  vktest::TempDir temp;
  const std::vector<std::string> ended = {"20261209210000_100003music.pcm", "20261209210000_100003Voice.pcm",
                                          "20261209210000_100003noAudio.WMV", "20261209210000_100003.lyric",
                                          "20261209210000_100003.WMV"};
  const std::vector<std::string> cutOff = {"20261209211500_100004music.pcm", "20261209211500_100004Voice.pcm",
                                           "20261209211500_100004noAudio.WMV", "20261209211500_100004_2Voice.pcm"};
  // Not a performance's: a lyrics file alone names no cut-off song, other names are not ours.
  const std::vector<std::string> others = {"notes.txt", "2026120921_100004Voice.pcm", "x0261209211500_1Voice.pcm",
                                           "20261209211500_Voice.pcm"};
  for (const auto* group : {&ended, &cutOff, &others})
    for (const std::string& name : *group) vktest::writeFile(temp.file(name), "x");
  fs::create_directory(temp.file("20261209211500_100004music.pcm.d"));

  std::vector<std::string> removed = removeUnfinishedPerformances(temp.path());
  std::sort(removed.begin(), removed.end());
  std::vector<std::string> expected = cutOff;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(removed, expected);
  for (const auto* group : {&ended, &others})
    for (const std::string& name : *group) EXPECT_TRUE(fs::exists(temp.file(name))) << name;
  EXPECT_TRUE(removeUnfinishedPerformances(temp.file("missing")).empty());
}

}  // namespace
