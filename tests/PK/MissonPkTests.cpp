// A contest song sung through the queue: its files, the engine's contest mode and recording,
// the guide melody it sets and restores, re-singing, the score window at its end and what each
// of its buttons does to the queue and the recording. The song file comes from a real service;
// the engine plays on its file device as fast as it can render.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "AppSet/AudioSet.h"
#include "AppSet/KeyMap.h"
#include "ContestSongFixture.h"
#include "MissonTestSupport.h"
#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "PK/CMissonManager.h"
#include "AppSet/PKRankSet.h"
#include "PK/CMissonPk.h"
#include "PK/PKScoreWnd.h"
#include "PK/PerformanceFiles.h"
#include "TestSupport.h"
#include "app/EventNames.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/SoundPlayer.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace {
using vktest::ContestSong;
using vktest::kEscape;
using vktest::kLeft;
using vktest::kReturn;
using vktest::kRight;

std::tm at(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(PerformanceFiles, OneBaseNameNamesEveryFileAndALaterSongNeverTakesAnEarliersFiles) {
  std::set<std::wstring> existing;
  const auto exists = [&](const std::wstring& p) { return existing.count(p) > 0; };
  const PerformanceFiles a = makePerformanceFiles(L"/t", L"100001", at(2026, 12, 9, 8, 5, 7), exists);
  EXPECT_EQ(a.baseName, L"20261209080507_100001");
  EXPECT_EQ(a.dateText, L"2026/12/09 08:05");
  EXPECT_EQ(a.voicePath, L"/t/20261209080507_100001Voice.pcm");
  EXPECT_EQ(a.musicPath, L"/t/20261209080507_100001music.pcm");
  EXPECT_EQ(a.silentVideoPath, L"/t/20261209080507_100001noAudio.WMV");
  EXPECT_EQ(a.videoPath, L"/t/20261209080507_100001.WMV");
  EXPECT_EQ(a.wavePath, L"/t/20261209080507_100001.WAV");
  EXPECT_EQ(a.lyricPath, L"/t/20261209080507_100001.lyric");

  // The same song again within the same second: its own names.
  existing.insert(a.voicePath);
  const PerformanceFiles b = makePerformanceFiles(L"/t", L"100001", at(2026, 12, 9, 8, 5, 7), exists);
  EXPECT_EQ(b.baseName, L"20261209080507_100001_2");
  existing.insert(b.lyricPath);
  EXPECT_EQ(makePerformanceFiles(L"/t", L"100001", at(2026, 12, 9, 8, 5, 7), exists).baseName,
            L"20261209080507_100001_3");

  // An identifier from the service never leads out of the folder.
  const PerformanceFiles c = makePerformanceFiles(L"/t", L"../../etc/x", at(2026, 1, 2, 3, 4, 5), exists);
  EXPECT_EQ(c.voicePath.find(L"/t/20260102030405_"), 0u);
  EXPECT_EQ(c.voicePath.find(L"/", 3), std::wstring::npos);
}


TEST_F(ContestSong, IsDownloadedSungRecordedAndKeptInTheSangList) {
  audio_.getItem(L"MELODY")->setValue(40, true);
  auto* song = new CMissonPk(vktest::songRecord(L"100003", L"茉莉花"));
  manager_->Add(song);
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  EXPECT_EQ(plays_, 1);
  EXPECT_EQ(melodyWhilePlaying_, CMissonPk::kMelodyNormal);
  EXPECT_EQ(audio_.getItem(L"MELODY")->value(), 40);  // restored at the end

  // The score window shows the song's totals; the queue waits for the singer.
  PKScoreWnd* window = scoreWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(scoreWindowShown());
  EXPECT_EQ(manager_->current(), song);
  EXPECT_TRUE(manager_->sang().empty());
  EXPECT_EQ(window->scores().fullScore, song->scores.fullScore);
  EXPECT_GT(song->scores.fullScore, 0);
  EXPECT_EQ(window->scores().engineTotal, VokaPKGetTotalScore());
  EXPECT_EQ(sheet()->getChild("PKEndScoreWnd/Middle/TotalScoreTxt")->getText(),
            std::to_string(song->scores.pitch + song->scores.emotion + song->scores.tempo));
  // The work it leaves names its files and carries its scores; the window acts on it.
  const UploadItem& works = window->works();
  EXPECT_EQ(works.Key, song->files.baseName);
  EXPECT_EQ(works.SongID, L"100003");
  EXPECT_EQ(works.Song, L"茉莉花");
  EXPECT_EQ(works.VoicePcmFile, song->files.voicePath);
  EXPECT_EQ(works.SoundlessVideoFile, song->files.silentVideoPath);
  EXPECT_EQ(works.RecordTime, song->files.dateText);
  EXPECT_EQ(works.PitchScore, song->scores.pitch);
  EXPECT_EQ(works.BeatScore, song->scores.tempo);
  EXPECT_EQ(works.EmotionScore, song->scores.emotion);
  EXPECT_EQ(works.TotalScore, song->scores.engineTotal);
  EXPECT_EQ(works.FullScore, 0);
  EXPECT_EQ(works.UploadState, 0);
  // Headless there is no screen to capture: no silent video is made, the song is sung anyway.
  EXPECT_FALSE(song->capturing());
  EXPECT_FALSE(std::filesystem::exists(oscompat::utf8FromWide(song->files.silentVideoPath)));
  // Quitting now still keeps the song in the sang list.
  const std::wstring sangFile = oscompat::wideFromUtf8(install_.path() + "/SangSet.xml");
  ASSERT_TRUE(manager_->SaveSang(sangFile));
  EXPECT_NE(vktest::readFile(install_.path() + "/SangSet.xml").find("100003"), std::string::npos);

  // Upload closes it (the album is not there yet) and the queue moves on.
  pressButton(PKScoreWnd::Upload);
  EXPECT_FALSE(scoreWindowShown());
  EXPECT_EQ(manager_->current(), nullptr);
  ASSERT_EQ(manager_->sang().size(), 1u);
  EXPECT_EQ(manager_->sang()[0]->song.SongName, L"茉莉花");
  EXPECT_EQ(manager_->sang()[0]->type, 3);

  // The performance's recordings lie in Temp under one base name.
  const std::vector<std::string> names = tempFiles();
  ASSERT_GE(names.size(), 2u);
  const std::string base = names[0].substr(0, names[0].find("_100003") + 7);
  for (const char* suffix : {"Voice.pcm", "music.pcm"}) {
    const std::string path = install_.path() + "/Temp/" + base + suffix;
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_GT(std::filesystem::file_size(path), 44100u * 2 * 10) << path;
  }
  EXPECT_EQ(VokaGetPlayState(), 0);
}

TEST_F(ContestSong, AChallengeLowersTheGuideMelodyAndAnnouncesItself) {
  vktest::CaughtGlobal<CEGUI::EventArgs> begun(EventNames::ChallengeBegin), ended(EventNames::ChallengeEnd);
  audio_.getItem(L"MELODY")->setValue(30, true);
  auto* song = new CMissonPk(vktest::songRecord(L"100004"));
  song->challenge = true;
  manager_->Add(song);
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  EXPECT_EQ(melodyWhilePlaying_, CMissonPk::kMelodyChallenge);
  EXPECT_EQ(audio_.getItem(L"MELODY")->value(), 30);
  EXPECT_EQ(begun.got.size(), 1u);
  EXPECT_EQ(ended.got.size(), 1u);
}

// Each sung performance adds one record to its song, after the records already kept; a
// performance cut for re-singing adds none.
TEST_F(ContestSong, SungPerformancesAreAddedToTheSongsRankRecordsInOrder) {
  vktest::writeFile(oscompat::utf8FromWide(CMissonPk::rankPath()),
                    "<PKRankSet><SongInfo SongID=\"100001\"><SongRank FinalScore=\"700\" YinGanScore=\"300\" "
                    "FeelScore=\"200\" JieZouScore=\"200\" Rate=\"58\"/></SongInfo></PKRankSet>");
  manager_->Add(new CMissonPk(vktest::songRecord(L"100003")));
  manager_->Add(new CMissonPk(vktest::songRecord(L"100003")));
  // Each score window is left by the key map's Back key.
  for (int sung = 1; sung <= 2; ++sung) {
    ASSERT_TRUE(waitFor([&] { return stops_ == sung && scoreWindow() != nullptr; }));
    pressKey(kEscape);
  }

  PKRankSet kept;
  kept.setPath(CMissonPk::rankPath());
  ASSERT_TRUE(kept.LoadSets());
  EXPECT_EQ(kept.songIds(), (std::vector<std::wstring>{L"100001", L"100003"}));
  ASSERT_EQ(kept.ranks(L"100001")->size(), 1u);
  const auto* ranks = kept.ranks(L"100003");
  ASSERT_NE(ranks, nullptr);
  ASSERT_EQ(ranks->size(), 2u);
  for (const SongRank& r : *ranks) {
    const long sum = std::stol(r.YinGanScore) + std::stol(r.FeelScore) + std::stol(r.JieZouScore);
    EXPECT_EQ(r.FinalScore, std::to_wstring(sum));
    EXPECT_FALSE(r.Rate.empty());  // the song has scored words
  }

  // Re-singing: the cut performance leaves the records as they were.
  auto* again = new CMissonPk(vktest::songRecord(L"100003"));
  onPlay_ = [this] {
    onPlay_ = nullptr;
    static_cast<CMissonPk*>(manager_->current())->requestReplay();
    VokaStop();
  };
  manager_->Add(again);
  ASSERT_TRUE(waitFor([&] { return stops_ == 3; }));
  ASSERT_TRUE(kept.LoadSets());
  EXPECT_EQ(kept.ranks(L"100003")->size(), 2u);
}

// Nothing was scored: no record, and no rate to divide by zero for.
TEST(MissonPkRank, ARecordWithoutAFullScoreHasNoRate) {
  PkScoreRecord s;
  s.pitch = 300;
  s.emotion = 250;
  s.tempo = 280;
  s.fullScore = 1200;
  EXPECT_EQ(CMissonPk::rankOf(s).FinalScore, L"830");
  EXPECT_EQ(CMissonPk::rankOf(s).Rate, L"69");
  s.fullScore = 0;
  EXPECT_EQ(CMissonPk::rankOf(s).Rate, L"");
}

// The contest stage replaces the sheet's picture while the song is sung and gives it back.
TEST_F(ContestSong, TheContestStageStandsBehindTheSongAndTheSheetGetsItsOwnBack) {
  CEGUI::Window* back = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/StaticImage", "Background");
  sheet()->addChild(back);
  back->setProperty("Image", "VokaranStage/Background");
  CEGUI::String during;
  onPlay_ = [&] { during = back->getProperty("Image"); };
  manager_->Add(new CMissonPk(vktest::songRecord(L"100003")));
  ASSERT_TRUE(waitFor([&] { return stops_ == 1; }));
  EXPECT_EQ(during, "PkBackgroundImageSet/full_image");
  EXPECT_EQ(back->getProperty("Image"), "VokaranStage/Background");
}

TEST_F(ContestSong, ReSingingEndsTheSongWithoutMovingOnAndSingsItAgain) {
  auto* song = new CMissonPk(vktest::songRecord(L"100005"));
  const MissonKey key = song->key;
  manager_->Add(song);
  manager_->Add(new CMissonPk(vktest::songRecord(L"100006")));
  // What the play control bar's re-sing does, as soon as the song plays.
  onPlay_ = [this] {
    onPlay_ = nullptr;
    auto* current = static_cast<CMissonPk*>(manager_->current());
    current->requestReplay();
    manager_->InsertFront(current->Clone());
    VokaStop();
  };
  ASSERT_TRUE(waitFor([&] { return plays_ == 2; }));
  ASSERT_NE(manager_->current(), nullptr);
  EXPECT_EQ(manager_->current()->key, key);
  EXPECT_EQ(manager_->current()->songId(), L"100005");
  EXPECT_EQ(manager_->waitingCount(), 1u);
  EXPECT_EQ(scoreWindow(), nullptr);  // no score for a song cut to be sung again
  // Sung to its end this time: its score window waits for the singer.
  ASSERT_TRUE(waitFor([&] { return scoreWindow() != nullptr; }));
  pressKey(kEscape);  // the key map's Back key leaves the score window
  ASSERT_TRUE(waitFor([&] { return plays_ == 3; }));
  EXPECT_EQ(manager_->current()->songId(), L"100006");
}

TEST_F(ContestSong, ReSingFromTheScoreWindowSingsTheSameSongAgainBeforeTheNext) {
  auto* song = new CMissonPk(vktest::songRecord(L"100005"));
  const MissonKey key = song->key;
  manager_->Add(song);
  manager_->Add(new CMissonPk(vktest::songRecord(L"100006")));
  ASSERT_TRUE(waitFor([&] { return scoreWindow() != nullptr; }));
  pressButton(PKScoreWnd::Resing);
  ASSERT_TRUE(waitFor([&] { return plays_ == 2; }));
  EXPECT_EQ(manager_->current()->key, key);
  EXPECT_EQ(manager_->waitingCount(), 1u);
  ASSERT_EQ(manager_->sang().size(), 1u);
  EXPECT_FALSE(scoreWindowShown());
}

TEST_F(ContestSong, BackDeletesTheRecordingAndTheNextSongStarts) {
  manager_->Add(new CMissonPk(vktest::songRecord(L"100003")));
  manager_->Add(new CMissonPk(vktest::songRecord(L"100004")));
  ASSERT_TRUE(waitFor([&] { return scoreWindow() != nullptr; }));
  const PerformanceFiles files = static_cast<CMissonPk*>(manager_->current())->files;
  // The mixed wave beside the music (named after the music file) goes too.
  const std::string wave = oscompat::utf8FromWide(files.musicPath.substr(0, files.musicPath.size() - 4)) + ".WAV";
  vktest::writeFile(wave, "RIFF");
  vktest::writeFile(oscompat::utf8FromWide(files.silentVideoPath), "x");
  ASSERT_TRUE(std::filesystem::exists(oscompat::utf8FromWide(files.voicePath)));
  ASSERT_TRUE(std::filesystem::exists(oscompat::utf8FromWide(files.lyricPath)));
  pressKey(kLeft);  // from the first button round to Back
  pressKey(kReturn);
  EXPECT_FALSE(scoreWindowShown());
  ASSERT_TRUE(waitFor([&] { return plays_ == 2; }));
  EXPECT_EQ(manager_->current()->songId(), L"100004");
  ASSERT_TRUE(waitFor([&] {
    for (const std::wstring& p : {files.voicePath, files.musicPath, files.lyricPath, files.silentVideoPath})
      if (std::filesystem::exists(oscompat::utf8FromWide(p))) return false;
    return !std::filesystem::exists(wave);
  }));
}

// The queue is torn down while the score window is open (the program quits): the window goes
// with its mission and the GUI is left without a modal target.
TEST_F(ContestSong, AMissionDestroyedWithItsScoreWindowOpenClosesItFirst) {
  manager_->Add(new CMissonPk(vktest::songRecord(L"100004")));
  ASSERT_TRUE(waitFor([&] { return scoreWindow() != nullptr; }));
  EXPECT_NE(sheet()->getGUIContext().getModalWindow(), nullptr);
  manager_.reset();
  EXPECT_FALSE(scoreWindowShown());
  EXPECT_EQ(sheet()->getGUIContext().getModalWindow(), nullptr);
  advance(PKScoreWnd::kBarPeriodMs * 3);  // no tick reaches the deleted window
}

}  // namespace
