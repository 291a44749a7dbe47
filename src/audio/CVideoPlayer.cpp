#include "audio/CVideoPlayer.h"

#include <CEGUI/GlobalEventSet.h>
#include <CEGUI/WindowManager.h>

#include <atomic>

#include "avmedia/ClassFactory.h"
#include "avmedia/SampleListener.h"
#include "guishell/Win32AppHelper.h"
#include "widgets/VideoWnd.h"

using namespace avmedia;

namespace {

const CEGUI::String kRedrawEvent("VideoRedraw");

}  // namespace

const wchar_t* const CVideoPlayer::kListenerFilterName = L"NullRenderer2";
const wchar_t* const CVideoPlayer::kListenerName = L"Listener1";

// What a redraw request carries to the GUI thread: at most one request of a player is in
// flight, and it names the player it came from, so one that arrives after the player has gone
// (or at another player) does nothing.
struct CVideoPlayer::RedrawLink {
  std::atomic<bool> inFlight{false};
};

namespace {

class RedrawEventArgs : public CEGUI::EventArgs {
 public:
  explicit RedrawEventArgs(std::shared_ptr<void> l) : link(std::move(l)) {}
  std::shared_ptr<void> link;
};

}  // namespace

CVideoPlayer::CVideoPlayer() : redraw_(std::make_shared<RedrawLink>()) {
  buffers_ = poolbuffers::CreateBufferManager();
  for (int i = 0; i < 3; ++i) {
    frames_.push_back(new CSampleData);
    buffers_->addBuffer(frames_.back());
  }
  client_ = new CSampleNotificationClientImp(buffers_);
  sampleConnection_ = client_->subscribeEvent(CSampleNotificationClientImp::EventNewSample,
                                              CEGUI::Event::Subscriber(&CVideoPlayer::onNewSample, this));
  redrawConnection_ = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      CEGUI::VideoWnd::EventNamespace + "/" + kRedrawEvent, CEGUI::Event::Subscriber(&CVideoPlayer::onRedrawRequest, this));
  timerConnection_ = timer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CVideoPlayer::onTimer, this));
}

CVideoPlayer::~CVideoPlayer() {
  timer_.KillTimer();
  timerConnection_->disconnect();
  // From here on no frame reaches this player, whoever else still runs the graph.
  detachListener();
  if (graph_) graph_->Stop();
  if (window_) {
    CEGUI::VideoWnd* window = window_;
    forgetWindow();
    window->setBufferManager(nullptr);
    CEGUI::WindowManager::getSingleton().destroyWindow(window);
  }
  redrawConnection_->disconnect();
  sampleConnection_->disconnect();
  buffers_->resetBuffers();
  poolbuffers::DestroyBufferManager(buffers_);
  for (CSampleData* frame : frames_) delete frame;
  delete client_;
  listener_.reset();
  graph_.reset();
}

bool CVideoPlayer::setGraph(std::shared_ptr<IGraphBuilder> graph) {
  graph_ = std::move(graph);
  return graph_ != nullptr;
}

bool CVideoPlayer::buildChain(IBaseFilter* source) {
  if (!graph_ || !source) return false;
  std::shared_ptr<IBaseFilter> listener;
  if (FAILED(CoCreateInstance(CLSID_SampleListener, listener)) || !listener) return false;
  auto* sink = queryInterface<ISampleListener>(listener.get());
  if (!sink) return false;
  // A listener of an earlier chain calls this player no more.
  detachListener();
  sink->SetNotification(kListenerName, client_);
  listener_ = listener;
  graph_->AddFilter(listener, kListenerFilterName);
  const HRESULT connected = graph_->Connect(source, listener.get());
  AM_MEDIA_TYPE type;
  if (SUCCEEDED(sink->ConnectionMediaType(&type))) {
    client_->setMediaType(&type);
    FreeMediaType(type);
  }
  mediaEvent_ = graph_.get();
  return SUCCEEDED(connected);
}

bool CVideoPlayer::attachWindow(CEGUI::VideoWnd* window) {
  if (!window) return false;
  if (window_ != window) {
    forgetWindow();
    window_ = window;
    windowConnection_ = window->subscribeEvent(CEGUI::Window::EventDestructionStarted,
                                               CEGUI::Event::Subscriber(&CVideoPlayer::onWindowDestroyed, this));
  }
  window->setBufferManager(buffers_);
  window->invalidate();
  return true;
}

HRESULT CVideoPlayer::run() {
  const HRESULT hr = graph_ ? graph_->Run() : E_FAIL;
  timer_.SetTimer(kEventTimerMs);
  return hr;
}

HRESULT CVideoPlayer::pause() { return graph_ ? graph_->Pause() : E_FAIL; }

HRESULT CVideoPlayer::stop() {
  // The graph's Stop returns when the streaming thread has ended: nobody writes the frames now.
  const HRESULT hr = graph_ ? graph_->Stop() : E_FAIL;
  timer_.KillTimer();
  for (CSampleData* frame : frames_) frame->clearData();
  if (window_) window_->invalidate();
  return hr;
}

void CVideoPlayer::rewind() {
  if (!graph_) return;
  REFERENCE_TIME start = 0;
  graph_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

void CVideoPlayer::release() {
  detachListener();
  listener_.reset();
  mediaEvent_ = nullptr;
  graph_.reset();
  if (window_) {
    window_->setBufferManager(nullptr);
    window_->invalidate();
  }
}

bool CVideoPlayer::drainEvents() {
  if (!mediaEvent_) return false;
  long code = 0, param1 = 0, param2 = 0;
  bool completed = false;
  while (SUCCEEDED(mediaEvent_->GetEvent(&code, &param1, &param2, 0))) {
    // An error after the end (or instead of it) leaves the video where it is.
    if (code == EC_COMPLETE) completed = true;
    else if (code == EC_ERRORABORT || code == EC_USERABORT) completed = false;
  }
  if (!completed || !graph_) return false;
  rewind();
  graph_->Run();
  ++restarts_;
  return true;
}

bool CVideoPlayer::onTimer(const CEGUI::EventArgs&) {
  drainEvents();
  return true;
}

bool CVideoPlayer::onWindowDestroyed(const CEGUI::EventArgs&) {
  // Not disconnected here: the GUI library cannot drop a subscription while it fires it, and
  // the window's event takes the subscription with it.
  windowConnection_ = CEGUI::Event::Connection();
  window_ = nullptr;
  stop();
  return false;
}

// Streaming thread: only posts; the GUI thread marks the window.
bool CVideoPlayer::onNewSample(const CEGUI::EventArgs&) {
  if (redraw_->inFlight.exchange(true)) return false;
  if (!Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), kRedrawEvent, new RedrawEventArgs(redraw_),
                                 CEGUI::VideoWnd::EventNamespace))
    redraw_->inFlight = false;
  return false;
}

bool CVideoPlayer::onRedrawRequest(const CEGUI::EventArgs& args) {
  const auto* request = dynamic_cast<const RedrawEventArgs*>(&args);
  if (!request || request->link != redraw_) return false;
  // Cleared before the redraw: a frame stored from now on asks again.
  redraw_->inFlight = false;
  if (window_) window_->invalidate();
  return false;
}

void CVideoPlayer::forgetWindow() {
  if (windowConnection_.isValid()) windowConnection_->disconnect();
  windowConnection_ = CEGUI::Event::Connection();
  window_ = nullptr;
}

void CVideoPlayer::detachListener() {
  if (!listener_) return;
  if (auto* sink = queryInterface<ISampleListener>(listener_.get())) sink->SetNotification(kListenerName, nullptr);
}
