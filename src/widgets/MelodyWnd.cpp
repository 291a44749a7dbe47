#include "widgets/MelodyWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

namespace CEGUI {

namespace {

constexpr size_t kMaxTraceSamples = 512;

const Image* definedImage(const String& name) {
  if (name.empty()) return nullptr;
  ImageManager& images = ImageManager::getSingleton();
  return images.isDefined(name) ? &images.get(name) : nullptr;
}

void logWarning(const String& message) {
  if (Logger* log = Logger::getSingletonPtr()) log->logEvent(message, Warnings);
}

}  // namespace

const String MelodyWnd::WidgetTypeName("CEGUI/MelodyWnd");
const String MelodyWnd::EventNamespace("MelodyWnd");

MelodyWnd::MelodyWnd(const String& type, const String& name) : Window(type, name) {
  redrawConnection_ = GlobalEventSet::getSingleton().subscribeEvent(
      MelodyPoller::EventNamespace + "/" + MelodyPoller::EventRedraw,
      Event::Subscriber(&MelodyWnd::onRedrawRequest, this));
}

MelodyWnd::~MelodyWnd() { stop(); }

void MelodyWnd::destroy() {
  // From here on no request reaches this window: the poller is joined and the handler gone.
  stop();
  redrawConnection_.disconnect();
  Window::destroy();
}

void MelodyWnd::setTimeSource(MelodyPoller::TimeSource source) { timeSource_ = std::move(source); }

void MelodyWnd::setPitchSource(std::function<int()> source) { pitchSource_ = std::move(source); }

void MelodyWnd::setNoteData(const CMelodyNoteData& notes) {
  notes_ = notes;
  invalidate();
}

bool MelodyWnd::setImages(const String& imageset,
                          std::initializer_list<std::pair<MelodyImage, const String*>> images) {
  for (const auto& [role, image] : images) {
    const String name = imageset + "/" + *image;
    if (!ImageManager::getSingleton().isDefined(name)) {
      logWarning("MelodyWnd '" + getName() + "': the image '" + name +
                 "' is not defined; the pictures set with it are left as they were.");
      if (role == MelodyImage::BarLeft || role == MelodyImage::BarMid || role == MelodyImage::BarRight)
        missingBarsReported_ = true;
      return false;
    }
  }
  for (const auto& [role, image] : images) images_[static_cast<size_t>(role)] = imageset + "/" + *image;
  invalidate();
  return true;
}

bool MelodyWnd::setBackgroundImage(const String& imageset, const String& image) {
  return setImages(imageset, {{MelodyImage::Background, &image}});
}

bool MelodyWnd::setSangImages(const String& imageset, const String& background, const String& marker) {
  return setImages(imageset, {{MelodyImage::SangBK, &background}, {MelodyImage::SangMarker, &marker}});
}

bool MelodyWnd::setBarImages(const String& imageset, const String& left, const String& mid, const String& right) {
  return setImages(imageset, {{MelodyImage::BarLeft, &left}, {MelodyImage::BarMid, &mid}, {MelodyImage::BarRight, &right}});
}

bool MelodyWnd::setCurrentBarImages(const String& imageset, const String& left, const String& mid,
                                    const String& right) {
  return setImages(imageset, {{MelodyImage::BarLeftCurrent, &left},
                              {MelodyImage::BarMidCurrent, &mid},
                              {MelodyImage::BarRightCurrent, &right}});
}

bool MelodyWnd::setHeadImages(const String& imageset, const String& head, const String& currentHead) {
  return setImages(imageset, {{MelodyImage::Head, &head}, {MelodyImage::HeadCurrent, &currentHead}});
}

bool MelodyWnd::setPitchImages(const String& imageset, const String& dot, const String& core) {
  return setImages(imageset, {{MelodyImage::PitchDot, &dot}, {MelodyImage::PitchCore, &core}});
}

void MelodyWnd::reportMissingBarImages() {
  if (missingBarsReported_) return;
  missingBarsReported_ = true;
  logWarning("MelodyWnd '" + getName() + "': no bar pictures are set; the note bars are not drawn.");
}

void MelodyWnd::start(bool threaded) { poller_.start(timeSource_, time_, threaded); }

void MelodyWnd::stop() { poller_.stop(); }

bool MelodyWnd::onRedrawRequest(const EventArgs& args) {
  const std::optional<int32_t> time = poller_.take(args);
  if (!time) return false;  // another window's request, or one from before the last stop
  updateTime(*time);
  return false;
}

void MelodyWnd::updateTime(int32_t time) {
  if (time == time_) return;
  time_ = time;
  if (pitchSource_) {
    addPitchSample({time, pitchSource_()});
  } else if (!trace_.empty() && trace_.back().time > time) {
    trace_.clear();
  }
  invalidate();
}

void MelodyWnd::addPitchSample(const PitchSample& sample) {
  if (!trace_.empty() && trace_.back().time > sample.time) trace_.clear();  // a seek back
  trace_.push_back(sample);
  const int32_t oldest = sample.time - MelodyView::kTraceLength;
  const auto kept = std::find_if(trace_.begin(), trace_.end(), [&](const PitchSample& s) { return s.time >= oldest; });
  trace_.erase(trace_.begin(), kept);
  if (trace_.size() > kMaxTraceSamples) trace_.erase(trace_.begin(), trace_.end() - kMaxTraceSamples);
}

// ---------------------------------------------------------------------------------------------

const String FalagardMelody::TypeName("Falagard/MelodyWnd");

FalagardMelody::FalagardMelody(const String& type) : WindowRenderer(type, MelodyWnd::EventNamespace) {}

Rectf FalagardMelody::getUnclippedInnerRect() const { return d_window->getUnclippedOuterRect().get(); }

bool FalagardMelody::handleFontRenderSizeChange(const Font* const) { return false; }

namespace {

const Image* imageFor(const MelodyWnd& w, MelodyImage role) {
  if (const Image* image = definedImage(w.imageName(role))) return image;
  switch (role) {
    case MelodyImage::BarLeftCurrent: return definedImage(w.imageName(MelodyImage::BarLeft));
    case MelodyImage::BarMidCurrent: return definedImage(w.imageName(MelodyImage::BarMid));
    case MelodyImage::BarRightCurrent: return definedImage(w.imageName(MelodyImage::BarRight));
    case MelodyImage::HeadCurrent: return definedImage(w.imageName(MelodyImage::Head));
    default: return nullptr;
  }
}

}  // namespace

MelodyMetrics FalagardMelody::metrics() const {
  const auto& w = static_cast<const MelodyWnd&>(*d_window);
  MelodyMetrics m;
  const Image* mid = imageFor(w, MelodyImage::BarMid);
  if (mid && imageFor(w, MelodyImage::BarLeft) && imageFor(w, MelodyImage::BarRight))
    m.barHeight = mid->getRenderedSize().d_height;
  if (const Image* head = imageFor(w, MelodyImage::Head)) m.head = head->getRenderedSize();
  if (const Image* marker = imageFor(w, MelodyImage::SangMarker)) m.markerWidth = marker->getRenderedSize().d_width;
  if (const Image* dot = imageFor(w, MelodyImage::PitchDot)) m.dotSize = dot->getRenderedSize().d_width;
  if (const Image* core = imageFor(w, MelodyImage::PitchCore)) m.coreSize = core->getRenderedSize().d_width;
  return m;
}

std::vector<MelodyPiece> FalagardMelody::pieces() const {
  const auto& w = static_cast<const MelodyWnd&>(*d_window);
  return layoutMelody(w.noteData(), w.time(), d_window->getPixelSize(), metrics(), w.pitchTrace());
}

void FalagardMelody::render() {
  ++renders_;
  auto& w = static_cast<MelodyWnd&>(*d_window);
  if (metrics().barHeight <= 0) w.reportMissingBarImages();
  GeometryBuffer& buffer = d_window->getGeometryBuffer();
  const float alpha = d_window->getEffectiveAlpha();
  for (const MelodyPiece& piece : pieces()) {
    if (const Image* image = imageFor(w, piece.image))
      image->render(buffer, piece.dest, &piece.clip, ColourRect(Colour(1, 1, 1, piece.alpha * alpha)));
  }
}

// ---------------------------------------------------------------------------------------------

MelodyWnd* createMelodyWindow(Window* sheet, const CMelodyNoteData& notes, MelodyPoller::TimeSource timeSource,
                              std::function<int()> pitchSource) {
  if (!sheet) return nullptr;
  const String name("Root/WndMelody");
  for (size_t i = 0; i < sheet->getChildCount(); ++i) {
    if (sheet->getChildAtIdx(i)->getName() == name) {
      logWarning("createMelodyWindow: the sheet already has a melody window.");
      return nullptr;
    }
  }
  WindowManager& windows = WindowManager::getSingleton();
  MelodyWnd* wnd = nullptr;
  try {
    Window* created = windows.createWindow("TaharezLook/MelodyWnd", name);
    wnd = dynamic_cast<MelodyWnd*>(created);
    if (!wnd) {
      windows.destroyWindow(created);
      logWarning("createMelodyWindow: \"TaharezLook/MelodyWnd\" is not a melody window.");
      return nullptr;
    }
    sheet->addChild(wnd);
  } catch (const Exception& e) {
    if (wnd) windows.destroyWindow(wnd);
    logWarning(String("createMelodyWindow: the melody window could not be created: ") + e.what());
    return nullptr;
  }
  wnd->setEnabled(false);
  wnd->setArea(URect(UDim(0, 0), UDim(0.4f, 0), UDim(1, 0), UDim(0.75f, 0)));
  wnd->setTimeSource(std::move(timeSource));
  wnd->setPitchSource(std::move(pitchSource));
  wnd->setNoteData(notes);
  wnd->setBackgroundImage("PK1", "BK");
  wnd->setBarImages("PK1", "LineLeft_Normal", "LineMid_Normal", "LineRight_Normal");
  wnd->setCurrentBarImages("PK1", "LineLeft_Hover", "LineMid_Hover", "LineRight_Hover");
  wnd->setHeadImages("PK1", "Header", "HeaderOver");
  wnd->setSangImages("PK1", "SangBK", "SangBKSmallRect");
  wnd->setPitchImages("MelodyTrace", "PitchDot", "PitchCore");
  return wnd;
}

void startMelodyWindow(MelodyWnd* wnd) {
  if (wnd) wnd->start();
}

void stopMelodyWindow(MelodyWnd* wnd) {
  if (wnd) wnd->stop();
}

void destroyMelodyWindow(MelodyWnd* wnd) {
  if (wnd) WindowManager::getSingleton().destroyWindow(wnd);
}

}  // namespace CEGUI
