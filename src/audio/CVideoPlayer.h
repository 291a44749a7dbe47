#pragma once
// Shows a video file in a video window: the graph's listener filter delivers decoded frames on
// the streaming thread into a pool of three frame buffers, and the window's renderer draws the
// latest of them on the GUI thread. A video that ends starts again from its first frame until
// the player is stopped. Sound is not the player's business.
//
// Everything here runs on the GUI thread except the listener callback. The graph is shared with
// whoever made it (a counted reference, as the system's graphs are); stop and release it before
// the player goes, although the player also detaches its callback from the listener when it is
// destroyed, so a graph somebody else keeps running can no longer reach the freed player.
#include <CEGUI/Event.h>

#include <memory>
#include <vector>

#include "audio/CSampleData.h"
#include "audio/CSampleNotificationClient.h"
#include "avmedia/FilterGraph.h"
#include "guishell/CEGUITimer.h"
#include "poolbuffers/PoolBuffers.h"

namespace CEGUI {
class VideoWnd;
class EventArgs;
}  // namespace CEGUI

class CVideoPlayer {
 public:
  // How often the graph's events are read (and a video that ended is restarted).
  static constexpr unsigned kEventTimerMs = 500;
  // The listener's names, in the graph and for its callback.
  static const wchar_t* const kListenerFilterName;  // L"NullRenderer2"
  static const wchar_t* const kListenerName;        // L"Listener1"

  CVideoPlayer();
  virtual ~CVideoPlayer();
  CVideoPlayer(const CVideoPlayer&) = delete;
  CVideoPlayer& operator=(const CVideoPlayer&) = delete;

  // Keeps a reference to the graph; true when it is non-null.
  virtual bool setGraph(std::shared_ptr<avmedia::IGraphBuilder> graph);
  // Creates the listener, adds it to the graph and connects `source` to it (the graph puts the
  // decoder in between). True when the connection succeeded.
  bool buildChain(avmedia::IBaseFilter* source);
  // Remembers the window, gives it the buffer manager and forgets it when it is destroyed
  // (which stops the player). Always true for a window; false for null.
  bool attachWindow(CEGUI::VideoWnd* window);

  // Without a graph these return E_FAIL and do nothing else, except what is said here.
  // run: starts the graph; the event timer (re)starts in every case.
  virtual avmedia::HRESULT run();
  // stop: stops the graph; in every case stops the timer, zeroes the three frames and redraws
  // the window, which then shows black.
  virtual avmedia::HRESULT stop();
  // pause: the picture holds; the timer keeps running.
  virtual avmedia::HRESULT pause();
  // Back to the first frame (the stop position unchanged).
  virtual void rewind();
  // Drops the graph, the listener and the event interface; the window loses the buffer manager
  // and draws no more frames until attachWindow is called again.
  virtual void release();

  CEGUI::VideoWnd* window() const { return window_; }
  poolbuffers::IBufferManager* bufferManager() const { return buffers_; }
  const std::vector<CSampleData*>& frames() const { return frames_; }
  avmedia::IGraphBuilder* graph() const { return graph_.get(); }
  bool timerRunning() const { return timer_.isRunning(); }
  // How many times a video that ended was started again.
  int restarts() const { return restarts_; }

  // The timer's work, public for tests: drains the graph's events; on completion rewinds and
  // runs again. True when it restarted the video.
  bool drainEvents();

 private:
  struct RedrawLink;
  bool onTimer(const CEGUI::EventArgs& args);
  bool onWindowDestroyed(const CEGUI::EventArgs& args);
  bool onRedrawRequest(const CEGUI::EventArgs& args);
  // Streaming thread.
  bool onNewSample(const CEGUI::EventArgs& args);
  void forgetWindow();
  void detachListener();

  CEGUI::VideoWnd* window_ = nullptr;
  poolbuffers::IBufferManager* buffers_ = nullptr;
  std::vector<CSampleData*> frames_;
  std::shared_ptr<avmedia::IGraphBuilder> graph_;
  std::shared_ptr<avmedia::IBaseFilter> listener_;
  // The graph's media-event side (the graph itself here), held while the chain is built.
  avmedia::IGraphBuilder* mediaEvent_ = nullptr;
  CSampleNotificationClientImp* client_ = nullptr;
  CEGUITimer timer_;
  // Shared with redraw requests in flight to the GUI thread.
  std::shared_ptr<RedrawLink> redraw_;
  CEGUI::Event::Connection timerConnection_;
  CEGUI::Event::Connection sampleConnection_;
  CEGUI::Event::Connection redrawConnection_;
  CEGUI::Event::Connection windowConnection_;
  int restarts_ = 0;
};
