#pragma once
// The sing queue: the one owner of missions. It keeps the waiting list (front = next to sing),
// the current mission and the sang list (front = most recent), makes each song file available
// before its mission starts, ends the mission when the engine reports the end of the song, and
// tells the windows about every change through events fired on itself:
//   "EventMissonChange"  the waiting list or the current mission changed
//   "EventSangChange"    the sang list changed
//   "EventPlay"          the current mission's song is open in the engine and may start
//   "EventStop"          the current mission's song has ended
// It also owns the lyrics model of the song being sung and the song-file cache. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/EventSet.h>

#include <memory>
#include <string>
#include <vector>

#include "PK/CBaseMisson.h"
#include "guishell/CEGUITimer.h"

class CAudioSet;
class CCacheMicData;
class CLyricsData;
class IDataSource;
class TaskEventarges;

// A song that has been sung: its record, the mission type and the mission's key.
struct SangRecord {
  SongRecord song;
  int type = 0;
  MissonKey key = 0;
};

class CMissonManager : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventMissonChange;
  static const CEGUI::String EventSangChange;
  static const CEGUI::String EventPlay;
  static const CEGUI::String EventStop;
  static constexpr int kDefaultSangMax = 100;
  // How long a song file may take to arrive before the song is given up.
  static constexpr unsigned kLoadTimeoutMs = 90000;

  // After the GUI system exists: subscribes to "MicDownloaded" and "SingOver".
  CMissonManager();
  // Destroys every mission and sang record (firing the change events), then the current
  // mission, the lyrics model and the cache.
  ~CMissonManager() override;
  CMissonManager(const CMissonManager&) = delete;
  CMissonManager& operator=(const CMissonManager&) = delete;
  static CMissonManager* getSingletonPtr();

  // Queue operations. The manager takes ownership of the mission; the song file is asked for
  // at once. Add starts the mission when nothing is current and no mix is running.
  bool Add(CBaseMisson* misson);
  bool InsertFront(CBaseMisson* misson);
  // 1 when a waiting mission with `key` was found (and removed or moved), 0 otherwise.
  int Remove(MissonKey key);
  int MoveToFront(MissonKey key);
  // The waiting missions first..last; nothing when the range is not inside the list.
  void CopyRange(int first, int last, std::vector<CBaseMisson*>& out) const;
  void ClearWaiting();
  int RemoveSang(MissonKey key);
  void ClearSang();

  // Finishes the current mission (it moves to the sang list) and starts the next one.
  void PlayNext();

  CBaseMisson* current() const { return current_.get(); }
  std::size_t waitingCount() const { return waiting_.size(); }
  const std::vector<std::unique_ptr<CBaseMisson>>& waiting() const { return waiting_; }
  const std::vector<std::unique_ptr<SangRecord>>& sang() const { return sang_; }
  void setSangMaxNum(int maximum);
  int sangMaxNum() const { return sangMax_; }
  CCacheMicData& cache() { return *cache_; }

  // The lyrics model of the current song: read from the engine by the performance when it
  // starts, saved as the performance's ".lyric" file when it ends.
  CLyricsData& lyrics() { return *lyrics_; }
  void ReloadLyrics();
  bool SaveLyrics(const std::wstring& path);

  // The audio settings the performances change and restore (owned by the application).
  void setAudioSet(CAudioSet* audioSet) { audioSet_ = audioSet; }
  CAudioSet* audioSet() const { return audioSet_; }

  // Local data sources paging through the waiting list and the sang list; each follows its
  // list's change event. The caller owns them.
  IDataSource* createMissonSource();
  IDataSource* createSangSource();

  // The sang list file (SangSet.xml): contest songs only are taken from it, in file order,
  // after those in memory. Through the GUI system's parser. Saving also keeps a current
  // mission that has ended (its score window is open) as the most recent song.
  bool LoadSang(const std::wstring& path);
  bool SaveSang(const std::wstring& path) const;

 private:
  bool queue(CBaseMisson* misson, bool atFront);
  void fire(const CEGUI::String& name);
  void finishCurrent(std::unique_ptr<SangRecord>& sang);
  void startCurrent();
  void loadFailed();
  bool onMicDownloaded(const CEGUI::EventArgs& args);
  bool onSingOver(const CEGUI::EventArgs& args);
  void releaseSong(const CBaseMisson& misson);
  void trimSang();
  static bool isMixIdle();

  std::vector<std::unique_ptr<CBaseMisson>> waiting_;
  std::unique_ptr<CBaseMisson> current_;
  // The mission that finished last. It is kept until the next one finishes, because it may be
  // the caller: a performance's End asks for the next song.
  std::unique_ptr<CBaseMisson> retired_;
  std::vector<std::unique_ptr<SangRecord>> sang_;
  int sangMax_ = kDefaultSangMax;
  std::unique_ptr<CLyricsData> lyrics_;
  std::unique_ptr<CCacheMicData> cache_;
  CAudioSet* audioSet_ = nullptr;
  // Waits for a running mix to end before the queue starts (GetRecMixState).
  CEGUITimer mixWait_;
  // Gives up a song whose file does not arrive.
  CEGUITimer loadTimeout_;
  std::vector<CEGUI::Event::Connection> connections_;
};
