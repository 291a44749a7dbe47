// The contest: 2531, 6322, 6323, 6326, 6327.
#include <FreeImage.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "NetWork/CHttp.h"
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetReplyHandlers.h"
#include "NetWork/NetTextConvert.h"
#include "app/AppLog.h"
#include "app/EventNames.h"

namespace netreply {
namespace {

// Contest pictures are covers; anything announcing more than this is not taken (the working
// block is twice the announced size).
constexpr int kMaxPictureBytes = 32 * 1024 * 1024;
// The application's start-up waits for the square: pictures not fetched within this time
// (an unreachable picture server) are left out rather than holding it up.
constexpr std::chrono::seconds kPictureBudget{20};

bool isJpegOrPng(unsigned char* bytes, std::size_t length) {
  if (length == 0) return false;
  FIMEMORY* memory = FreeImage_OpenMemory(bytes, static_cast<DWORD>(length));
  if (!memory) return false;
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
  FreeImage_CloseMemory(memory);
  return format == FIF_JPEG || format == FIF_PNG;
}

// The picture at `url`, or none when the address is missing or no URL, announces no length,
// cannot be fetched or is neither JPEG nor PNG. Blocks the library thread for the transfers.
bool fetchSquarePicture(const std::wstring& url, PictureBuffer& picture) {
  if (url.empty()) return false;
  const int length = CHttp::contentLength(url);
  if (length <= 0) return false;
  if (length > kMaxPictureBytes) {
    appLog("contest square: the picture " + narrowFromWide(url, 65001) + " announces " +
           std::to_string(length) + " bytes; left out");
    return false;
  }
  std::vector<unsigned char> block(2 * static_cast<std::size_t>(length) + 2, 0);
  std::size_t received = 0;
  if (!CHttp::download(url, block.data(), block.size(), received)) return false;
  if (!isJpegOrPng(block.data(), received)) {
    appLog("contest square: " + narrowFromWide(url, 65001) + " is neither JPEG nor PNG; left out");
    return false;
  }
  picture = PictureBuffer(block.data(), received);
  return true;
}

// Posts "GetPKSquareInfo" when it goes out of scope, whatever happened before, so it reaches
// the GUI thread after the square's songs and pictures. (It is posted, not fired here: the
// GUI library's event sets are not safe to fire from this thread while the GUI thread runs.)
struct SquareInfoSignal {
  ~SquareInfoSignal() { postGlobal(EventNames::GetPKSquareInfo, new CEGUI::EventArgs); }
};

void onSquareInfo(void* result, int, int status) {
  const auto* list = static_cast<const IContestSongList*>(result);
  if (status != 0 || !list) {
    postGlobal(EventNames::NetErrorWnd, new CEGUI::EventArgs);
    SquareInfoSignal signal;
    return;
  }
  SquareInfoSignal signal;
  auto songs = std::make_unique<PKCompetitionSongsEventArgs>();
  auto pictures = std::make_unique<PKCompetitionSongsPicEventArgs>();
  const auto deadline = std::chrono::steady_clock::now() + kPictureBudget;
  for (int i = 0; i < list->GetCount(); ++i) {
    const IContestSongItem* item = list->GetItem(i);
    if (!item) continue;
    SongRecord song;
    song.SongID = wide(item->GetSongId());
    song.SongName = wide(item->GetSongName());
    song.SingerKey = wide(item->GetSingerKey());
    song.SingerName = wide(item->GetSingerName());
    song.Reserved = wide(item->GetWebUrl());
    PictureBuffer picture;
    if (std::chrono::steady_clock::now() > deadline)
      appLog("contest square: out of time for the picture of song " + std::to_string(i) + "; left out");
    else if (fetchSquarePicture(wide(item->GetPictureUrl()), picture)) {
      pictures->pictures.push_back(std::move(picture));
      pictures->songIndexes.push_back(static_cast<int>(songs->songs.size()));
    }
    songs->songs.push_back(std::move(song));
  }
  appLog("contest square: " + std::to_string(songs->songs.size()) + " songs, " +
         std::to_string(pictures->pictures.size()) + " pictures");
  postGlobal(EventNames::GetPKSong, songs.release());
  postGlobal(EventNames::GetPKSongInterfacePic, pictures.release());
}

uint32_t readLength(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Length L1, L1 bytes of the product key (system code page), length L2, L2 picture bytes.
// Lengths that reach beyond the block make it unusable.
void onProductPicture(void* result, int, int status) {
  const auto* block = static_cast<const IByteBlock*>(result);
  if (status != 0 || !block || !block->GetData() || block->GetLength() < 8) return;
  const unsigned char* data = block->GetData();
  const std::size_t size = static_cast<std::size_t>(block->GetLength());
  const std::size_t keyLength = readLength(data);
  if (keyLength > size - 8) {
    appLog("network reply 2531: the key length " + std::to_string(keyLength) +
           " runs past the reply; ignored");
    return;
  }
  const std::size_t pictureLength = readLength(data + 4 + keyLength);
  if (pictureLength > size - 8 - keyLength) {
    appLog("network reply 2531: the picture length " + std::to_string(pictureLength) +
           " runs past the reply; ignored");
    return;
  }
  auto* args = new PKComProPicFunRecvEventArgs;
  args->productKey =
      wideFromNarrow(std::string(reinterpret_cast<const char*>(data + 4), keyLength), 0);
  args->picture = PictureBuffer(data + 8 + keyLength, pictureLength);
  postGlobal(EventNames::RecBackCompetitionProductsPic, args);
}

void onProducts(void* result, int, int status) {
  const auto* list = static_cast<const IProductList*>(result);
  if (status != 0 || !list) return;
  auto* args = new PKCompetitionProductInfoEventArgs;
  for (int i = 0; i < list->GetCount(); ++i) {
    const IProductItem* item = list->GetItem(i);
    if (!item) continue;
    PKProductRecord product;
    product.DisplayText = wide(item->GetDisplayText());
    product.PictureKey = wide(item->GetPictureKey());
    product.WebUrl = wide(item->GetWebUrl());
    args->products.push_back(std::move(product));
  }
  postGlobal(EventNames::RecBackCompetitionProductsInfo, args);
}

void onMyRank(void* result, int, int status) {
  const auto* rank = static_cast<const IRankResult*>(result);
  if (status != 0 || !rank) return;
  auto* args = new PKMyRankInfoFunRecvEventArgs;
  args->ranks[0] = rank->GetScoreRank();
  args->ranks[1] = rank->GetPopularityRank();
  args->ranks[2] = rank->GetNewestRank();
  args->ranks[3] = rank->GetFlowersRank();
  postGlobal(EventNames::RecBackMyRankInfo, args);
}

void onPeriod(void* result, int, int status) {
  const auto* list = static_cast<const IPeriodList*>(result);
  if (status != 0 || !list) return;
  const IPeriodItem* item = list->GetCount() > 0 ? list->GetItem(0) : nullptr;
  if (!item) return;
  auto* args = new PeriodInfoFunRecvEventArgs;
  args->start = wide(item->GetStart());
  args->end = wide(item->GetEnd());
  args->third = wide(item->GetTitle());
  postGlobal(EventNames::RecBackPeriodInfo, args);
}

}  // namespace

void addContestHandlers(HandlerMap& map) {
  map[2531] = &onProductPicture;
  map[6322] = &onProducts;
  map[6323] = &onSquareInfo;
  map[6326] = &onMyRank;
  map[6327] = &onPeriod;
}

}  // namespace netreply
