#pragma once
// Short notices over the GUI that disappear after a fixed time, or at once on any key press
// or mouse move. Every tip has a name; showing a tip under a name that is showing replaces
// it. Other threads request tips by posting (postTextTip).
#include <CEGUI/Event.h>
#include <CEGUI/EventArgs.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>
#include <CEGUI/UDim.h>
#include <CEGUI/Vector.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "guishell/CEGUITimer.h"

namespace CEGUI {
class Window;
}

class InfoTipArgs : public CEGUI::EventArgs {
 public:
  CEGUI::String text;
  int durationMs = 0;
  CEGUI::UVector2 position;
  CEGUI::UVector2 size;
  CEGUI::String layoutFile;
  CEGUI::Window* window = nullptr;
  CEGUI::String tipName;
};

class CInfoTipManager : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventDynShowByText;
  static const CEGUI::String EventDynShowByLayoutfile;
  static const CEGUI::String EventDynShowByWindowPtr;

  // GUI thread, after the GUI system exists.
  CInfoTipManager();
  ~CInfoTipManager() override;
  static CInfoTipManager* getSingletonPtr();

  // GUI thread.
  void showTextTip(const CEGUI::String& text, int durationMs, const CEGUI::String& tipName,
                   const CEGUI::UVector2& position, const CEGUI::UVector2& size);
  void showLayoutTip(const CEGUI::String& layoutFile, int durationMs,
                     const CEGUI::String& tipName);
  void showWindowTip(CEGUI::Window* window, int durationMs, const CEGUI::String& tipName);
  void closeAllTips();

  // Any thread: the same, delivered on the GUI thread.
  void postTextTip(const CEGUI::String& text, int durationMs, const CEGUI::String& tipName,
                   const CEGUI::UVector2& position, const CEGUI::UVector2& size);
  void postLayoutTip(const CEGUI::String& layoutFile, int durationMs, const CEGUI::String& tipName);
  void postWindowTip(CEGUI::Window* window, int durationMs, const CEGUI::String& tipName);

  // The standard notice: `text` at (0.2, 0.3) with size (0.6, 0.3) of the sheet.
  void showStandardNotice(const std::wstring& text, const std::wstring& tipName, int durationMs);
  // The starting song's name and singer, for 3000 ms.
  void showSongInfo(const std::wstring& songName, const std::wstring& singerName);
  // The key the system chose, for 6000 ms.
  void showKeyShift(int keyShift);

  // The window showing under `tipName`, or null.
  CEGUI::Window* tipWindow(const CEGUI::String& tipName) const;
  size_t tipCount() const { return windows_.size(); }

 private:
  CEGUI::Window* loadPrefixed(const CEGUI::String& layoutFile, const CEGUI::String& prefix);
  void present(CEGUI::Window* window, int durationMs, const CEGUI::String& tipName);
  void onTimer(CEGUITimer* timer);
  void forgetWindow(CEGUI::Window* window);
  bool onInput(const CEGUI::EventArgs& args);

  std::map<CEGUI::String, CEGUI::Window*> windows_;
  std::map<CEGUI::String, std::unique_ptr<CEGUITimer>> timers_;
  std::map<CEGUITimer*, CEGUI::Window*> timerWindows_;
  // The input event during which each showing window appeared.
  std::map<CEGUI::Window*, uint64_t> shownAtInput_;
  CEGUI::Event::Connection keyConnection_;
  CEGUI::Event::Connection mouseConnection_;
};
