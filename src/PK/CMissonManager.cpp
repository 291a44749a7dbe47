// The sing queue's lists: construction and teardown, the queue operations, the sang list and
// its file.
#include "PK/CMissonManager.h"

#include <CEGUI/GlobalEventSet.h>

#include <algorithm>

#include "AppSet/SongSet.h"
#include "PK/MissonDataSources.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "engine/CCacheMicData.h"
#include "engine/CLyricsData.h"
#include "oscompat/Utf.h"

const CEGUI::String CMissonManager::EventMissonChange("EventMissonChange");
const CEGUI::String CMissonManager::EventSangChange("EventSangChange");
const CEGUI::String CMissonManager::EventPlay("EventPlay");
const CEGUI::String CMissonManager::EventStop("EventStop");

namespace {
CMissonManager* singleton = nullptr;
constexpr int kContestType = 3;
}  // namespace

CMissonManager::CMissonManager()
    : lyrics_(std::make_unique<CLyricsData>()), cache_(std::make_unique<CCacheMicData>()) {
  if (!singleton) singleton = this;
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  connections_.push_back(global.subscribeEvent(
      EventNames::global(EventNames::MicDownloaded),
      CEGUI::Event::Subscriber(&CMissonManager::onMicDownloaded, this)));
  connections_.push_back(global.subscribeEvent(
      EventNames::global(EventNames::SingOver),
      CEGUI::Event::Subscriber(&CMissonManager::onSingOver, this)));
  mixWait_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            if (current_) {
                              mixWait_.KillTimer();
                            } else if (isMixIdle()) {
                              mixWait_.KillTimer();
                              if (!waiting_.empty()) PlayNext();
                            }
                            return true;
                          }));
  loadTimeout_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                                loadTimeout_.KillTimer();
                                if (current_ && current_->state == CBaseMisson::Prepared) {
                                  appLogError("CMissonManager: the song file of " +
                                              oscompat::utf8FromWide(current_->songId()) +
                                              " did not arrive in time");
                                  loadFailed();
                                }
                                return true;
                              }));
}

CMissonManager::~CMissonManager() {
  for (auto& c : connections_) c->disconnect();
  mixWait_.KillTimer();
  loadTimeout_.KillTimer();
  ClearWaiting();
  ClearSang();
  current_.reset();
  retired_.reset();
  lyrics_.reset();
  cache_.reset();
  if (singleton == this) singleton = nullptr;
}

CMissonManager* CMissonManager::getSingletonPtr() { return singleton; }

void CMissonManager::fire(const CEGUI::String& name) {
  CEGUI::EventArgs args;
  fireEvent(name, args, "");
}

bool CMissonManager::queue(CBaseMisson* misson, bool atFront) {
  if (!misson) return false;
  std::unique_ptr<CBaseMisson> owned(misson);
  cache_->Request(owned->songId(), false);
  waiting_.insert(atFront ? waiting_.begin() : waiting_.end(), std::move(owned));
  if (!current_) {
    if (isMixIdle())
      PlayNext();
    else if (!mixWait_.isRunning())
      mixWait_.SetTimer(1000);  // starts once the mix has finished
  }
  fire(EventMissonChange);
  return true;
}

bool CMissonManager::Add(CBaseMisson* misson) { return queue(misson, false); }

bool CMissonManager::InsertFront(CBaseMisson* misson) { return queue(misson, true); }

int CMissonManager::Remove(MissonKey key) {
  auto it = std::find_if(waiting_.begin(), waiting_.end(), [key](const auto& m) { return m->key == key; });
  if (it == waiting_.end()) return 0;
  releaseSong(**it);
  waiting_.erase(it);
  fire(EventMissonChange);
  return 1;
}

int CMissonManager::MoveToFront(MissonKey key) {
  auto it = std::find_if(waiting_.begin(), waiting_.end(), [key](const auto& m) { return m->key == key; });
  if (it == waiting_.end()) return 0;
  std::rotate(waiting_.begin(), it, it + 1);
  fire(EventMissonChange);
  return 1;
}

void CMissonManager::CopyRange(int first, int last, std::vector<CBaseMisson*>& out) const {
  if (first < 0 || last < first || last >= static_cast<int>(waiting_.size())) return;
  for (int i = first; i <= last; ++i) out.push_back(waiting_[i].get());
}

void CMissonManager::ClearWaiting() {
  for (const auto& m : waiting_) releaseSong(*m);
  waiting_.clear();
  fire(EventMissonChange);
}

int CMissonManager::RemoveSang(MissonKey key) {
  auto it = std::find_if(sang_.begin(), sang_.end(), [key](const auto& s) { return s->key == key; });
  if (it == sang_.end()) return 0;
  sang_.erase(it);
  fire(EventSangChange);
  return 1;
}

void CMissonManager::ClearSang() {
  sang_.clear();
  fire(EventSangChange);
}

void CMissonManager::setSangMaxNum(int maximum) {
  sangMax_ = maximum > 0 ? maximum : kDefaultSangMax;
  trimSang();
}

void CMissonManager::trimSang() {
  if (sang_.size() > static_cast<std::size_t>(sangMax_)) sang_.resize(sangMax_);
}

void CMissonManager::ReloadLyrics() {
  lyrics_->loadFromEngine(current_ ? current_->song() : SongRecord{});
}

bool CMissonManager::SaveLyrics(const std::wstring& path) { return lyrics_->save(path); }

IDataSource* CMissonManager::createMissonSource() { return new CDataSourceMisson(*this); }

IDataSource* CMissonManager::createSangSource() { return new SangDataSource(*this); }

bool CMissonManager::LoadSang(const std::wstring& path) {
  CSongSet file(path);
  const bool ok = file.LoadSets();
  std::vector<SongSetEntry> entries;
  file.songsToRecords(entries);
  std::size_t skipped = 0;
  for (const SongSetEntry& e : entries) {
    if (e.misType != kContestType) {
      ++skipped;
      continue;
    }
    auto record = std::make_unique<SangRecord>();
    record->song = e.record;
    record->type = e.misType;
    record->key = newMissonKey();
    sang_.push_back(std::move(record));
  }
  if (skipped)
    appLog("CMissonManager: " + std::to_string(skipped) + " songs of another kind in " +
           oscompat::utf8FromWide(path) + " were skipped");
  trimSang();
  fire(EventSangChange);
  return ok;
}

bool CMissonManager::SaveSang(const std::wstring& path) const {
  CSongSet file(path);
  // A song that has ended but whose score window is still open has not reached the sang list
  // yet; it is the most recent one sung.
  if (current_ && current_->state == CBaseMisson::Idle) file.addSongRecord(current_->song(), current_->GetType());
  for (const auto& s : sang_) file.addSongRecord(s->song, s->type);
  return file.SaveSets();
}
