#pragma once
// Inside the network module: the reply handlers, grouped by concern, and what they share.
#include <CEGUI/EventArgs.h>
#include <CEGUI/String.h>

#include <map>
#include <string>

#include "NetWork/NetRecords.h"
#include "NetWork/NetworkReplyDispatcher.h"

namespace netreply {

using HandlerMap = std::map<int, NetworkReplyDispatcher::Handler>;

void addCatalogHandlers(HandlerMap& map);  // 2502 2503 2504 5011 5012 30001
void addAccountHandlers(HandlerMap& map);  // 6305 6318 6319 2564 2565 2566 2586 2588 2592 6307 6315 6320
void addWorksHandlers(HandlerMap& map);    // 2549 6201 6202 6203 6204 6205 6302 6312 6321 6324 6325
void addContestHandlers(HandlerMap& map);  // 2531 6322 6323 6326 6327
void addMenuHandlers(HandlerMap& map);     // 5023 5024

// Posting to the GUI thread (ownership of `args` passes on; a missing target drops it with a
// log line).
void postGlobal(const CEGUI::String& name, CEGUI::EventArgs* args);
void postHub(const CEGUI::String& name, CEGUI::EventArgs* args);
void postWorks(const CEGUI::String& name, CEGUI::EventArgs* args);
// "NetError" with the status and the message id.
void postNetError(int status, int messageId);
// A notice in the "NetError" style: 2000 ms at (0.2, 0.3), size (0.6, 0.3).
void postNotice(const std::wstring& text);

// Library texts: null reads as empty.
std::wstring wide(const wchar_t* text);
std::string narrow(const char* text);
// Decimal text as the GUI library's property conversion reads it: leading blanks and a sign,
// then digits up to the first other character; no digits give 0; out-of-range values are
// clamped to the int range.
int decimalOf(const std::wstring& text);
int decimalOf(const std::string& text);

// A song record from a catalogue or song-book item.
SongRecord songFrom(const ISongItem& item);

}  // namespace netreply
