// The grade display's windows, its life cycle and the handlers of the three score events.
#include "PK/grade/CGradeModule.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "PK/grade/GradeEventArgs.h"
#include "vokaran/Vokaran.h"
#include "app/EventNames.h"
#include "app/WindowPath.h"

namespace {

const char* const kStarImages[] = {"PKGrade/Star", "PKGrade/StarSpark"};
const char* const kFlowerImages[] = {"PKGrade/Flower0", "PKGrade/Flower1", "PKGrade/Flower2"};

CEGUI::Animation* animation(const char* name) {
  auto& manager = CEGUI::AnimationManager::getSingleton();
  return manager.isAnimationPresent(name) ? manager.getAnimation(name) : nullptr;
}

const char* arrowImage(int pitch) {
  if (pitch >= 9 && pitch <= 10) return "PK1/Green_Arrow";
  if (pitch >= 6 && pitch <= 8) return "PK1/Yellow_Arrow";
  return "PK1/Red_Arrow";
}

}  // namespace

CGradeModule::CGradeModule() : random_(std::random_device{}()) {
  stars_.minimum = kMinStarBurst;
  stars_.dx = stars_.dy = -5.0f;  // stars drift up and to the left
  flowers_.minimum = kMinFlowerBurst;
  flowers_.dx = flowers_.dy = 5.0f;  // flowers fall down and to the right
}

CGradeModule::~CGradeModule() {
  if (!CEGUI::System::getSingletonPtr()) return;  // the GUI went first, and our windows with it
  Stop();
  if (root_) {
    rootDestroyed_->disconnect();
    CEGUI::Window* root = root_;
    forgetWindows();
    CEGUI::WindowManager::getSingleton().destroyWindow(root);
  }
}

int CGradeModule::Build(CEGUI::Window* sheet) {
  if (!sheet || root_) return 1;
  try {
    root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_GradeModule.layout");
  } catch (const CEGUI::Exception&) {
    return 1;
  }
  sheet->addChild(root_);
  rootDestroyed_ = root_->subscribeEvent(CEGUI::Window::EventDestructionStarted,
                                         CEGUI::Event::Subscriber(&CGradeModule::onRootDestroyed, this));
  arrow_ = findWindow("GradeModuleWnd/Arrow", root_);
  arrowGlow_ = findWindow("GradeModuleWnd/ArrowEffect", root_);
  prompt_ = findWindow("GradeModuleWnd/Prompt", root_);
  scoreLine_ = findWindow("ScoreLineWnd", root_);
  stars_.layer = findWindow("GradeModuleWnd/StarEffect", root_);
  flowers_.layer = findWindow("GradeModuleWnd/FlowerEffect", root_);
  for (CEGUI::Window* w : {arrowGlow_, prompt_})
    if (w) hideWhenAnimationStops(w);

  yellowLightAnim_ = animation("YellowLight");
  goodTipAnim_ = animation("GoodTip");
  hardTipAnim_ = animation("HardTip");
  perfectTipAnim_ = animation("PerfectTip");
  starAnim_ = animation("Star");
  flowerAnim_ = animation("Flower");
  makeBurst(stars_, "Star", kStarCount, starAnim_, kStarImages, 2);
  makeBurst(flowers_, "Flower", kFlowerCount, flowerAnim_, kFlowerImages, 3);

  subscribe();
  presenter_.Build(root_);
  placeArrow(0);
  return 0;
}

void CGradeModule::setPitchRange(int low, int high) {
  low_ = low;
  high_ = std::max(high, low + 1);
}

int CGradeModule::Start() {
  VokaSetPKMode(1);
  VokaSetPK_WordEnd_CBFun(&CGradeModule::onWordEnd);
  VokaSetPK_LineEnd_CBFun(&CGradeModule::onLineEnd);
  VokaSetPK_MIC_CBFun(&CGradeModule::onMicSample);
  if (root_ && connections_.empty()) subscribe();  // started again after a Stop
  presenter_.Start();
  return 0;
}

int CGradeModule::Stop() {
  stars_.mover.KillTimer();
  flowers_.mover.KillTimer();
  stopBurst(stars_);
  stopBurst(flowers_);
  destroyInstance(glowInstance_);
  destroyInstance(promptInstance_);
  presenter_.Stop();
  disconnect();
  return 0;
}

void CGradeModule::subscribe() {
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  connections_.push_back(global.subscribeEvent(EventNames::global(EventNames::WordScoreUpdate),
                                               CEGUI::Event::Subscriber(&CGradeModule::onWordScore, this)));
  connections_.push_back(global.subscribeEvent(EventNames::global(EventNames::EmotionScoreUpdate),
                                               CEGUI::Event::Subscriber(&CGradeModule::onLineScore, this)));
  connections_.push_back(global.subscribeEvent(EventNames::global(EventNames::MicSampleOver),
                                               CEGUI::Event::Subscriber(&CGradeModule::onMicSampleEvent, this)));
  for (Burst* burst : {&stars_, &flowers_})
    connections_.push_back(burst->mover.subscribeEvent(CEGUITimer::EventTimer, [this, burst](const CEGUI::EventArgs&) {
      moveBurst(*burst);
      return true;
    }));
}

void CGradeModule::disconnect() {
  for (auto& c : connections_) c->disconnect();
  connections_.clear();
}

bool CGradeModule::onRootDestroyed(const CEGUI::EventArgs&) {
  // Someone else destroyed the sheet: nothing may point at the windows any more.
  Stop();
  forgetWindows();
  return false;
}

void CGradeModule::forgetWindows() {
  destroyBurstInstances(stars_);
  destroyBurstInstances(flowers_);
  presenter_.release();
  root_ = arrow_ = arrowGlow_ = prompt_ = scoreLine_ = nullptr;
}

bool CGradeModule::onWordScore(const CEGUI::EventArgs& e) {
  const auto* args = dynamic_cast<const ScoresEventArgs*>(&e);
  if (!args || !root_) return false;
  const int p = args->pitchScore;
  const int t = args->tempoScore;
  presenter_.addWordScores(p, t);
  if (p > 9 && t > 9) {
    startBurst(stars_);
    yellowLight();
  }
  if (arrow_) arrow_->setProperty("Image", arrowImage(p));
  return false;
}

bool CGradeModule::onLineScore(const CEGUI::EventArgs& e) {
  const auto* args = dynamic_cast<const ScoresEventArgs*>(&e);
  if (!args || !root_) return false;
  const int e10 = args->emotionLineScore;
  presenter_.setExpressionTotal(args->emotionTotal);
  prompt(e10);
  if (args->pitchScore > 8 && args->tempoScore > 8 && e10 > 8) startBurst(flowers_);
  bonusPoints_ += lineBonus(e10, args->pitchLineScore, args->tempoLineScore);
  return false;
}

bool CGradeModule::onMicSampleEvent(const CEGUI::EventArgs& e) {
  const auto* args = dynamic_cast<const MicSampleEventArgs*>(&e);
  if (!args || !root_) return false;
  placeArrow(args->micNote);
  return false;
}

int CGradeModule::lineBonus(int expression, int pitchLine, int rhythmLine) {
  // The line's pitch and rhythm are read in tenths, as every other grade here: "below 9" is a
  // line scored under 90.
  const int below = (pitchLine / 10 < 9) + (rhythmLine / 10 < 9);
  static constexpr int kExpressive[] = {10, 4, 2};
  static constexpr int kFlat[] = {6, 2, 0};
  return expression >= 9 ? kExpressive[below] : kFlat[below];
}

void CGradeModule::placeArrow(int micNote) {
  if (!root_ || !scoreLine_) return;
  // Percent of the range, not capped: notes above the range take the arrow past the top.
  const int q = micNote > low_ ? (micNote - low_) * 100 / (high_ - low_) : 0;
  const float barHeight = scoreLine_->getPixelSize().d_height;
  const float barTop = CEGUI::CoordConverter::asAbsolute(scoreLine_->getYPosition(), root_->getPixelSize().d_height);
  const float arrowHeight = arrow_ ? arrow_->getPixelSize().d_height : 0.0f;
  // The arrow's centre travels the bar's note area (its top 0.96), 17 px in from the ends of
  // the picture.
  const float travel = (barHeight - arrowHeight) * 0.96f * (1.0f - static_cast<float>(q) / 100.0f);
  if (arrow_) arrow_->setYPosition(CEGUI::UDim(0, barTop + travel - arrowHeight / 2 + 17));
  if (arrowGlow_)
    arrowGlow_->setYPosition(
        CEGUI::UDim(0, barTop + travel - arrowGlow_->getPixelSize().d_height / 2 + 17));
}
