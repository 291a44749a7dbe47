// The contest hub: the service's replies, the carousel, selecting and ordering a song.
#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "NetWork/NetEventArgs.h"
#include "app/AppLog.h"
#include "app/TextConvert.h"
#include "catalog/CPKMainWnd.h"
#include "catalog/ListOperations.h"
#include "catalog/PKCompetitionSongsEffect.h"
#include "catalog/PKHubPictures.h"

namespace {
const CEGUI::String kThemeDefault("ThemeIconDefault");
const CEGUI::String kThemeDefaultFile("PKData/ShowPhoto/ThemeIconDefault.png");
const CEGUI::String kHeadDefault("HeadImageDefault");
const CEGUI::String kHeadDefaultFile("PKData/ShowPhoto/HeadIconDefault.png");

CEGUI::String digits(int n) { return CEGUI::PropertyHelper<int>::toString(n); }

// Gives a card its caption in its own font when that fits, else in the smaller font, else cut
// short with an ellipsis; the whole text is the card's tooltip.
void setCaption(CEGUI::Window* w, const CEGUI::String& text, const char* font, const char* smaller) {
  w->setTooltipText(text);
  auto& fonts = CEGUI::FontManager::getSingleton();
  const float room = w->getPixelSize().d_width - 18.0f;
  const CEGUI::Font* chosen = nullptr;
  for (const char* name : {font, smaller}) {
    if (!fonts.isDefined(name)) continue;
    chosen = &fonts.get(name);
    if (chosen->getTextExtent(text) <= room) {
      w->setFont(chosen);
      w->setText(text);
      return;
    }
  }
  if (!chosen || room <= 0) {
    w->setText(text);
    return;
  }
  const CEGUI::String dots(reinterpret_cast<const CEGUI::utf8*>("\xe2\x80\xa6"));
  CEGUI::String cut = text;
  while (cut.length() > 1 && chosen->getTextExtent(cut + dots) > room) cut.erase(cut.length() - 1);
  w->setFont(chosen);
  w->setText(cut + dots);
}
}  // namespace

bool CPKMainWnd::onAttached() {
  // The main menu bar keeps the keys it has: Down from its item enters the hub.
  showStored();
  return true;
}

// --- pictures

CEGUI::String CPKMainWnd::defaultCover() {
  return pkhub::imageFromFile(kThemeDefault, kThemeDefaultFile, "ThemePicture");
}

CEGUI::String CPKMainWnd::defaultHead() { return pkhub::imageFromFile(kHeadDefault, kHeadDefaultFile, "HeadPicture"); }

void CPKMainWnd::releaseImage(const CEGUI::String& image) {
  auto release = [&image](CEGUI::Window* w) {
    if (!w) return;
    for (const char* property : {"NormalImage", "HoverImage", "PushedImage"})
      if (w->getProperty(property) == image) w->setProperty(property, "");
  };
  for (CEGUI::Window* w : slots_) release(w);
  for (CEGUI::Window* w : heads_) release(w);
}

// The cover of song `songIndex` as the image named `name`, made from its picture; the default
// cover when the song has no picture or its bytes are no picture.
CEGUI::String CPKMainWnd::coverImage(int songIndex, const CEGUI::String& name) {
  const PictureBuffer* picture = pkHubData().pictureOfSong(songIndex);
  if (!picture) return defaultCover();
  const CEGUI::String image = name + "/full_image";
  releaseImage(image);
  const auto song = songs_.find(songIndex);
  const std::string what = "contest song " + (song != songs_.end() ? toNarrow(song->second.SongID) : std::to_string(songIndex));
  const CEGUI::String made = pkhub::imageFromMemory(name, picture->data(), picture->length(), this, what);
  return made.empty() ? defaultCover() : made;
}

// --- the square's songs and pictures

bool CPKMainWnd::onPKSong(const CEGUI::EventArgs& args) {
  const auto& songs = static_cast<const PKCompetitionSongsEventArgs&>(args).songs;
  PKHubData& data = pkHubData();
  data.songs = songs;
  // A new square: the pictures of the last one no longer belong to these songs.
  data.pictures.clear();
  data.songIndexes.clear();
  takeSongs(songs);
  return false;
}

void CPKMainWnd::takeSongs(const std::vector<SongRecord>& songs) {
  songs_.clear();
  for (std::size_t i = 0; i < songs.size(); ++i) songs_[static_cast<int>(i)] = songs[i];
  first_ = 0;
  const bool turns = songCount() > kSongCount;
  if (left_) left_->setEnabled(turns);
  if (right_) right_->setEnabled(turns);
  redrawSlots();
  std::vector<std::wstring> ids;
  for (const SongRecord& song : songs) ids.push_back(song.SongID);
  pkHubData().contestSongIds = ids;
  if (context_.onContestSongs) context_.onContestSongs(ids);
  currentSlot_ = -1;
  if (!songs.empty()) selectSlot(0);
  else resetHeads();
  buildFocusRows();
}

bool CPKMainWnd::onPKSongPictures(const CEGUI::EventArgs& args) {
  const auto& pictures = static_cast<const PKCompetitionSongsPicEventArgs&>(args);
  PKHubData& data = pkHubData();
  data.pictures = pictures.pictures;
  data.songIndexes = pictures.songIndexes;
  // Without indexes (an older sender) the pictures are taken in song order.
  if (data.songIndexes.size() != data.pictures.size()) {
    data.songIndexes.clear();
    for (std::size_t i = 0; i < data.pictures.size(); ++i) data.songIndexes.push_back(static_cast<int>(i));
  }
  takePictures();
  return false;
}

void CPKMainWnd::takePictures() {
  // The first page's covers under the names "ThemeImage0" to "ThemeImage6".
  const int shown = std::min(songCount(), kSongCount);
  for (int i = 0; i < shown; ++i) {
    CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
    if (!w) continue;
    pkhub::showImage(w, coverImage(slotSong(i), "ThemeImage" + digits(i)));
  }
}

// --- the carousel

void CPKMainWnd::carouselStep(int direction) {
  const int count = songCount();
  if (count <= kSongCount) return;
  first_ = pkcarousel::step(first_, count, direction);
  effect_->Start(0.2f, direction == 1 ? 1 : 0);
  effect_->setStep(0.04f);
  redrawSlots();
}

void CPKMainWnd::redrawSlots() {
  const int count = songCount();
  for (int i = 0; i < kSongCount; ++i) {
    CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
    if (!w) continue;
    const int index = slotSong(i);
    if (index < 0) {
      w->setUserData(nullptr);
      w->setText("");
      w->setEnabled(false);
      continue;
    }
    SongRecord& song = songs_[index];
    w->setUserData(&song);
    setCaption(w, guiString(song.SongName), "MSYH_20", "MSYH_16");
    w->setEnabled(true);
    // Turned pages name their covers by the song; the first page keeps "ThemeImage<i>".
    if (count > kSongCount) pkhub::showImage(w, coverImage(index, guiString(song.SongID)));
  }
  markSelected();
}

void CPKMainWnd::markSelected() {
  for (CEGUI::Window* w : slots_) {
    if (!w) continue;
    const auto* song = static_cast<const SongRecord*>(w->getUserData());
    const bool selected = song && currentSlot_ >= 0 && decimalValue(song->SongID) == currentSong_;
    w->setProperty("NormalTextColour", selected ? "FFFFE08F" : "FFE8ECFF");
  }
}

// --- selecting and ordering

void CPKMainWnd::resetHeads() {
  const CEGUI::String image = defaultHead();
  for (CEGUI::Window* w : heads_) {
    if (!w) continue;
    pkhub::showImage(w, image);
    w->setUserData(nullptr);
    w->setText("");
  }
}

void CPKMainWnd::selectSlot(int i) {
  if (i < 0 || i >= kSongCount) return;
  resetHeads();
  products_.clear();
  rank_ = 0;
  if (rankTxt_) rankTxt_->setText(guiStringUtf8("无排行"));
  CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
  const auto* song = w ? static_cast<const SongRecord*>(w->getUserData()) : nullptr;
  if (!song) return;
  currentSlot_ = i;
  currentSong_ = decimalValue(song->SongID);
  moreUrl_ = song->Reserved;
  markSelected();
  requestForCurrentSong();
  buildFocusRows();
}

void CPKMainWnd::requestForCurrentSong() {
  requests_->requestCompetitionProducts(currentSong_, ordering_, kHeads, 1);
  requests_->requestMyRank(decimalValue(context_.userId), currentSong_);
}

void CPKMainWnd::orderSlot(int i) {
  if (i < 0 || i >= kSongCount) return;
  CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
  const auto* slotSongRecord = w ? static_cast<const SongRecord*>(w->getUserData()) : nullptr;
  if (!slotSongRecord) return;
  if (context_.hidePracticeMenu) context_.hidePracticeMenu();
  SongRecord song;
  song.SongID = slotSongRecord->SongID;
  song.SongName = slotSongRecord->SongName;
  song.SingerName = slotSongRecord->SingerName;
  song.SingerKey = slotSongRecord->SingerKey;
  orderContestSong(song, false, false);
}

void CPKMainWnd::chooseOrdering(int ordering) {
  if (ordering < ByScore || ordering > ByFlowers) return;
  ordering_ = ordering;
  if (orderCom_) {
    for (std::size_t k = 0; k < orderCom_->getItemCount(); ++k) {
      CEGUI::ListboxItem* item = orderCom_->getListboxItemFromIndex(k);
      if (static_cast<int>(item->getID()) == ordering && !item->isSelected()) orderCom_->setItemSelectState(item, true);
    }
  }
  // The current song only: the others are asked for when they are selected.
  resetHeads();
  products_.clear();
  if (rankTxt_) rankTxt_->setText(guiStringUtf8("无排行"));
  if (currentSlot_ >= 0) requestForCurrentSong();
  buildFocusRows();
}

// --- products, their pictures, the rank and the period

bool CPKMainWnd::onProductsRequest(const CEGUI::EventArgs&) {
  for (int i = 0; i < kSongCount; ++i) {
    CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
    const auto* song = w ? static_cast<const SongRecord*>(w->getUserData()) : nullptr;
    if (song) requests_->requestCompetitionProducts(decimalValue(song->SongID), ordering_, kHeads, 1);
  }
  return false;
}

bool CPKMainWnd::onProducts(const CEGUI::EventArgs& args) {
  const auto& products = static_cast<const PKCompetitionProductInfoEventArgs&>(args).products;
  pkHubData().products = products;
  takeProducts(products);
  return false;
}

void CPKMainWnd::takeProducts(const std::vector<PKProductRecord>& products) {
  resetHeads();
  products_.clear();
  const int n = std::min(static_cast<int>(products.size()), kHeads);
  for (int i = 0; i < n; ++i) products_[i] = products[static_cast<std::size_t>(i)];
  for (int i = 0; i < n; ++i) {
    CEGUI::Window* w = heads_[static_cast<std::size_t>(i)];
    PKProductRecord& product = products_[i];
    if (w) {
      setCaption(w, guiString(product.DisplayText), "MSYH_16", "MSYH_14");
      w->setUserData(&product);
    }
    requests_->requestProductPicture(product.PictureKey);
  }
  buildFocusRows();
}

bool CPKMainWnd::onProductPicture(const CEGUI::EventArgs& args) {
  const auto& reply = static_cast<const PKComProPicFunRecvEventArgs&>(args);
  const std::wstring name = reply.productKey.substr(0, reply.productKey.find(L'_'));
  if (name.empty()) return false;
  std::vector<CEGUI::Window*> matching;
  for (int i = 0; i < kHeads; ++i) {
    const auto it = products_.find(i);
    if (it != products_.end() && it->second.PictureKey == name && heads_[static_cast<std::size_t>(i)])
      matching.push_back(heads_[static_cast<std::size_t>(i)]);
  }
  // A picture of a work no longer shown (another song, another ordering) changes nothing.
  if (matching.empty()) return false;
  const CEGUI::String imageset = guiString(name);
  releaseImage(imageset + "/full_image");
  CEGUI::String image = pkhub::imageFromMemory(imageset, reply.picture.data(), reply.picture.length(), this,
                                               "work " + toNarrow(name));
  if (image.empty()) image = defaultHead();
  for (CEGUI::Window* w : matching) pkhub::showImage(w, image);
  return false;
}

bool CPKMainWnd::onMyRank(const CEGUI::EventArgs& args) {
  const auto& reply = static_cast<const PKMyRankInfoFunRecvEventArgs&>(args);
  rank_ = reply.ranks[std::clamp(ordering_, 1, 4) - 1];
  if (!rankTxt_) return false;
  // 0: the user has no work of this song ranked.
  if (rank_ > 0) rankTxt_->setText(guiStringUtf8("我的排行：第 ") + digits(rank_) + guiStringUtf8(" 名"));
  else rankTxt_->setText(guiStringUtf8("无排行"));
  return false;
}

bool CPKMainWnd::onPeriod(const CEGUI::EventArgs& args) {
  const auto& reply = static_cast<const PeriodInfoFunRecvEventArgs&>(args);
  // Appended to the text the layout gives, once: a second reply replaces the dates.
  if (periodTxt_)
    periodTxt_->setText(periodBase_ + "(" + guiString(reply.start) + "~" + guiString(reply.end) + ")");
  return false;
}
