// What the reply handlers share: posting to the three targets, notices, reading texts.
#include <CEGUI/GlobalEventSet.h>
#include <CEGUI/UDim.h>

#include <climits>
#include <cwctype>

#include "NetWork/NetReplyHandlers.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "guishell/Win32AppHelper.h"

namespace netreply {
namespace {

void post(CEGUI::EventSet* target, const char* targetName, const CEGUI::String& name,
          CEGUI::EventArgs* args) {
  if (!target) {
    delete args;
    appLog(std::string("network: no ") + targetName + " to take \"" + name.c_str() + "\"; dropped");
    return;
  }
  Win32AppHelper::postEvent(target, name, args, "");
}

template <class Char>
int parseDecimal(const std::basic_string<Char>& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

void postGlobal(const CEGUI::String& name, CEGUI::EventArgs* args) {
  post(CEGUI::GlobalEventSet::getSingletonPtr(), "global event set", name, args);
}

void postHub(const CEGUI::String& name, CEGUI::EventArgs* args) {
  post(SongIEventSet::getSingletonPtr(), "song event hub", name, args);
}

void postWorks(const CEGUI::String& name, CEGUI::EventArgs* args) {
  post(NetworkReplyDispatcher::instance().worksManager(), "works manager", name, args);
}

void postNetError(int status, int messageId) {
  postGlobal(EventNames::NetError, new ErrorEventArgs(status, messageId));
}

void postNotice(const std::wstring& text) {
  auto* tips = CInfoTipManager::getSingletonPtr();
  if (!tips) {
    appLog("network: no info tip manager for a notice; dropped");
    return;
  }
  tips->postTextTip(guiString(text), 2000, "NetError",
                    CEGUI::UVector2(CEGUI::UDim(0.2f, 0), CEGUI::UDim(0.3f, 0)),
                    CEGUI::UVector2(CEGUI::UDim(0.6f, 0), CEGUI::UDim(0.3f, 0)));
}

std::wstring wide(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

std::string narrow(const char* text) { return text ? std::string(text) : std::string(); }

int decimalOf(const std::wstring& text) { return parseDecimal(text); }

int decimalOf(const std::string& text) { return parseDecimal(text); }

SongRecord songFrom(const ISongItem& item) {
  SongRecord song;
  song.SongNo = item.GetSongNumber();
  song.SongID = wide(item.GetSongId());
  song.SongName = wide(item.GetSongName());
  song.SongKey = decimalOf(wide(item.GetSongKey()));
  song.SingerName = wide(item.GetSingerName());
  song.FlashCode1 = wide(item.GetFlashCode(1));
  song.FlashCode2 = wide(item.GetFlashCode(2));
  song.FlashCode3 = wide(item.GetFlashCode(3));
  song.FlashCode4 = wide(item.GetFlashCode(4));
  song.FlashCode5 = wide(item.GetFlashCode(5));
  song.SingerKey = wide(item.GetSingerKey());
  return song;
}

}  // namespace netreply
