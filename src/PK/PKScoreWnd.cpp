#include "PK/PKScoreWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <vector>

#include "AppSet/KeyMap.h"
#include "PK/CMissonManager.h"
#include "Upload/CAlbumManager.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/ModulePaths.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/SoundPlayer.h"
#include "oscompat/Utf.h"
#include "app/WindowPath.h"

namespace {

constexpr const char* kLayout = "PK_PKEndScoreWnd.layout";
constexpr unsigned kFirstButton = PKScoreWnd::Preview;
constexpr unsigned kLastButton = PKScoreWnd::Back;

void playSound(const std::wstring& path) { oscompat::playSoundAsync(oscompat::utf8FromWide(path)); }

CMissonPk* currentPerformance() {
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  return manager ? dynamic_cast<CMissonPk*>(manager->current()) : nullptr;
}

// The recording's files go on a worker thread: the GUI thread never waits for the disk.
void deleteRecording(const UploadItem& works) {
  std::vector<std::string> paths;
  for (const std::wstring* p : {&works.LyricFile, &works.MusicPcmFile, &works.VoicePcmFile,
                                &works.SoundlessVideoFile, &works.UploadFile})
    if (!p->empty()) paths.push_back(oscompat::utf8FromWide(*p));
  if (!works.MusicPcmFile.empty())
    paths.push_back(std::filesystem::path(oscompat::utf8FromWide(works.MusicPcmFile))
                        .replace_extension(".WAV")
                        .string());
  std::thread([paths = std::move(paths)] {
    for (const std::string& p : paths) {
      std::error_code error;
      std::filesystem::remove(p, error);
    }
  }).detach();
}

}  // namespace

PKScoreWnd::PKScoreWnd() {
  barConnection_ = barTimer_.subscribeEvent(CEGUITimer::EventTimer,
                                            CEGUI::Event::Subscriber(&PKScoreWnd::onBarTick, this));
}

PKScoreWnd::~PKScoreWnd() {
  barConnection_->disconnect();
  closePage();
}

std::wstring PKScoreWnd::totalSoundPath() { return moduleDirectory() + L"/PKData/wav/总分.wav"; }
std::wstring PKScoreWnd::stepSoundPath() { return moduleDirectory() + L"/PKData/wav/涨分.wav"; }

std::string PKScoreWnd::rateText(const PkScoreRecord& s) {
  if (s.fullScore <= 0) return "--";
  const long long total = static_cast<long long>(s.pitch) + s.emotion + s.tempo;
  return std::to_string(total * 100 / s.fullScore) + "%";
}

CEGUI::Window* PKScoreWnd::child(const char* path) const {
  if (!d_root || !d_root->isChild(path)) return nullptr;
  return d_root->getChild(path);
}

void PKScoreWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout, "");
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("PKScoreWnd: ") + e.what());
    d_root = nullptr;
  }
}

void PKScoreWnd::fillTexts() {
  const auto set = [this](const char* path, const std::string& text) {
    if (CEGUI::Window* w = child(path)) w->setText(text);
  };
  set("FullScore/Txt", std::to_string(scores_.fullScore));
  set("RateTxt", rateText(scores_));
  set("Middle/TotalScoreTxt", std::to_string(scores_.pitch + scores_.emotion + scores_.tempo));
  set("Middle/PitchScoreTxt", std::to_string(scores_.pitch));
  set("Middle/EmotionScoreTxt", std::to_string(scores_.emotion));
  set("Middle/TempoScoreTxt", std::to_string(scores_.tempo));
  set("Right/Percent", rateText(scores_));
}

bool PKScoreWnd::onAttached() {
  if (!d_root) return false;
  fillTexts();
  if (CMissonPk* performance = currentPerformance(); performance && !performance->showScore)
    if (CEGUI::Window* tip = child("TipInfo")) tip->setVisible(true);
  if (CEGUI::Window* buttons = child("BottomBtn")) {
    for (unsigned id = kFirstButton; id <= kLastButton; ++id) {
      if (!buttons->isChild(id)) continue;
      CEGUI::Window* button = buttons->getChild(id);
      button->subscribeEvent(CEGUI::Window::EventKeyDown,
                             CEGUI::Event::Subscriber(&PKScoreWnd::onKeyDown, this));
      button->subscribeEvent(CEGUI::Window::EventMouseClick,
                             CEGUI::Event::Subscriber(&PKScoreWnd::onMouseClick, this));
    }
  }
  focusButton(kFirstButton);
  barTimer_.SetTimer(kBarPeriodMs);
  return true;
}

void PKScoreWnd::stopBar() { barTimer_.KillTimer(); }

bool PKScoreWnd::closePage() {
  if (!d_root) return true;
  dropPreview(false);
  playSound(L"");
  stopBar();
  // Animations of the window's parts must not outlive them.
  CEGUI::AnimationManager& animations = CEGUI::AnimationManager::getSingleton();
  for (size_t i = animations.getNumAnimationInstances(); i-- > 0;) {
    CEGUI::AnimationInstance* instance = animations.getAnimationInstanceAtIdx(i);
    auto* target = dynamic_cast<CEGUI::Window*>(instance->getTarget());
    if (target && (target == d_root || target->isAncestor(d_root))) {
      instance->stop();
      animations.destroyAnimationInstance(instance);
    }
  }
  return IPageCtrl::closePage();
}

void PKScoreWnd::focusButton(unsigned id) {
  CEGUI::Window* buttons = child("BottomBtn");
  if (buttons && buttons->isChild(id)) buttons->getChild(id)->activate();
}

// Each tick raises the bar one step with the step sound; at the engine's total it stops, the
// rate sits on top of it and the total sound plays.
bool PKScoreWnd::onBarTick(const CEGUI::EventArgs&) {
  auto* bar = dynamic_cast<CEGUI::ProgressBar*>(child("Right/PercentBar"));
  if (!bar) {
    stopBar();
    return true;
  }
  const float target = std::clamp(scores_.engineTotal, 0, 100) / 100.0f;
  const float progress = bar->getProgress();
  if (target <= progress || progress >= 1.0f) {
    stopBar();
    barDone_ = true;
    bar->setProgress(target);
    if (CEGUI::Window* label = child("Right/Percent")) {
      const float parentHeight = bar->getParentPixelSize().d_height;
      const float barTop = CEGUI::CoordConverter::asAbsolute(bar->getYPosition(), parentHeight);
      const float barHeight = bar->getPixelSize().d_height;
      const float labelHeight = label->getPixelSize().d_height;
      const float y = barTop + (static_cast<int>((1.0f - target) * barHeight) - labelHeight);
      label->setYPosition(CEGUI::UDim(0, y));
      label->setVisible(true);
    }
    playSound(totalSoundPath());
    return true;
  }
  bar->step();
  playSound(stepSoundPath());
  return true;
}

void PKScoreWnd::runAction(unsigned id) {
  switch (id) {
    case Preview:
      openPreview();
      break;
    case Upload:
      // The work joins the album; the application opens the works page once this window has
      // gone.
      if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) {
        album->addRecording(works_);
        Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::OpenWorksWindow,
                                  new CEGUI::EventArgs, "");
      } else {
        appLogError("PKScoreWnd: no album to take " + oscompat::utf8FromWide(works_.Key) +
                    "; the recording stays in Temp");
      }
      endModal(0);
      break;
    case Resing:
      if (CMissonPk* performance = currentPerformance())
        CMissonManager::getSingletonPtr()->InsertFront(performance->Clone());
      endModal(1);
      break;
    case Back: {
      const UploadItem works = works_;
      endModal(1);
      deleteRecording(works);
      break;
    }
    default:
      break;
  }
}

// The recording just sung, played back over this window; when it ends this window is back.
void PKScoreWnd::openPreview() {
  if (preview_ || !d_root || works_.SoundlessVideoFile.empty()) return;
  const PlaybackSource source = playbackSourceOf(works_);
  if (!recordingsExist(source)) {
    appLogError("PKScoreWnd: the recordings of " + oscompat::utf8FromWide(works_.Key) + " are not there");
    return;
  }
  // The bar and its sounds wait while the recording plays.
  stopBar();
  playSound(L"");
  preview_ = previewFactory_ ? previewFactory_() : nullptr;
  if (!preview_) {
    // The preview's Upload is this window's: the page ends with 1 and Upload runs here.
    PlaybackWndContext context;
    context.onUpload = [] {};
    preview_ = new CPKPlaybackWnd(std::move(context));
  }
  previewEnded_ = preview_->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber(&PKScoreWnd::onPreviewEnded, this));
  preview_->attach(guiSheet());
  if (!preview_->pageWindow()) {
    appLogError("PKScoreWnd: the preview could not be shown");
    dropPreview(false);
    return;
  }
  preview_->setSource(source);
}

bool PKScoreWnd::onPreviewEnded(const CEGUI::EventArgs&) {
  const int result = preview_ ? preview_->result() : 0;
  // Inside the preview's own handler: it goes once that has returned.
  dropPreview(true);
  if (result == 1) {
    runAction(Upload);
    return true;
  }
  if (!barDone_ && d_root) barTimer_.SetTimer(kBarPeriodMs);
  focusButton(Preview);
  return true;
}

void PKScoreWnd::dropPreview(bool deferred) {
  if (!preview_) return;
  CPKPlaybackWnd* page = preview_;
  preview_ = nullptr;
  if (deferred) {
    previewEnded_ = CEGUI::Event::Connection();
    IPageCtrl::freeLater(page);
    return;
  }
  if (previewEnded_.isValid()) previewEnded_->disconnect();
  if (page->pageWindow()) page->endModal(0);
  delete page;
}

bool PKScoreWnd::onMouseClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::MouseEventArgs&>(args);
  if (e.button != CEGUI::LeftButton) return false;
  runAction(e.window->getID());
  return true;
}

bool PKScoreWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned id = e.window->getID();
  if (isMappedKey(static_cast<unsigned>(e.scancode), L"Back")) {
    endModal(1);
    return true;
  }
  switch (e.scancode) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      runAction(id);
      return true;
    case CEGUI::Key::ArrowUp:
    case CEGUI::Key::ArrowLeft:
      focusButton(id <= kFirstButton ? kLastButton : id - 1);
      return true;
    case CEGUI::Key::ArrowDown:
    case CEGUI::Key::ArrowRight:
      focusButton(id >= kLastButton ? kFirstButton : id + 1);
      return true;
    default:
      return false;
  }
}
