// The grade display's moving pictures: star and flower bursts with their movers, the arrow's
// yellow light and the prompt after a line.
#include <CEGUI/CEGUI.h>

#include <string>

#include "PK/grade/CGradeModule.h"

namespace {

// The n-th window of a burst plays at one of five speeds, so a burst does not pulse in step.
constexpr float kBurstSpeeds[] = {12, 11, 10, 9, 8};
constexpr float kYellowLightSpeed = 20;
constexpr float kPromptSpeed = 10;

}  // namespace

void CGradeModule::hideWhenAnimationStops(CEGUI::Window* w) {
  // An instance's events arrive on its target window.
  auto hide = [w](const CEGUI::EventArgs&) {
    w->hide();
    return false;
  };
  w->subscribeEvent(CEGUI::AnimationInstance::EventAnimationEnded, CEGUI::Event::Subscriber(hide));
  w->subscribeEvent(CEGUI::AnimationInstance::EventAnimationStopped, CEGUI::Event::Subscriber(hide));
}

void CGradeModule::makeBurst(Burst& burst, const char* windowPrefix, int count, CEGUI::Animation* anim,
                             const char* const* images, int imageCount) {
  if (!burst.layer) return;
  auto& manager = CEGUI::WindowManager::getSingleton();
  for (int i = 0; i < count; ++i) {
    CEGUI::Window* w = manager.createWindow("TaharezLook/StaticImage", windowPrefix + std::to_string(i));
    w->setSize(CEGUI::USize(CEGUI::UDim(0, 47), CEGUI::UDim(0, 43)));
    w->setProperty("BackgroundEnabled", "False");
    w->setProperty("FrameEnabled", "False");
    w->setProperty("Image", images[i % imageCount]);
    w->setMousePassThroughEnabled(true);
    w->hide();
    burst.layer->addChild(w);
    hideWhenAnimationStops(w);
    burst.windows.push_back(w);
    CEGUI::AnimationInstance* instance = nullptr;
    if (anim) {
      instance = CEGUI::AnimationManager::getSingleton().instantiateAnimation(anim);
      instance->setTargetWindow(w);
    }
    burst.instances.push_back(instance);
  }
}

void CGradeModule::startBurst(Burst& burst) {
  burst.mover.KillTimer();
  stopBurst(burst);
  const int count = static_cast<int>(burst.windows.size());
  if (count == 0) return;
  const int n = static_cast<int>(random_() % static_cast<unsigned>(count - burst.minimum)) + burst.minimum;
  for (int j = 0; j < n; ++j) {
    CEGUI::Window* w = burst.windows[j];
    const float x = static_cast<float>(random_() % 100) / 100.0f;
    const float y = static_cast<float>(random_() % 100) / 100.0f;
    w->setPosition(CEGUI::UVector2(CEGUI::UDim(x, 0), CEGUI::UDim(y, 0)));
    if (CEGUI::AnimationInstance* instance = burst.instances[j]) {
      instance->setSpeed(kBurstSpeeds[j % 5]);
      instance->start();
      w->show();
    }
  }
  burst.mover.SetTimer(kMoverPeriodMs);
}

void CGradeModule::moveBurst(Burst& burst) {
  if (!burst.layer) {
    burst.mover.KillTimer();
    return;
  }
  const CEGUI::Sizef area = burst.layer->getPixelSize();
  bool allGone = true;
  for (CEGUI::Window* w : burst.windows) {
    CEGUI::UVector2 at = w->getPosition();
    at.d_x.d_offset += burst.dx;
    at.d_y.d_offset += burst.dy;
    w->setPosition(at);
    const float x = CEGUI::CoordConverter::asAbsolute(at.d_x, area.d_width);
    const float y = CEGUI::CoordConverter::asAbsolute(at.d_y, area.d_height);
    const CEGUI::Sizef size = w->getPixelSize();
    const bool gone = burst.dx < 0 ? (x < -size.d_width || y < -size.d_height)
                                   : (x > area.d_width || y > area.d_height);
    allGone = allGone && gone;
  }
  if (allGone) burst.mover.KillTimer();
}

void CGradeModule::stopBurst(Burst& burst) {
  for (CEGUI::AnimationInstance* instance : burst.instances)
    if (instance) instance->stop();
}

void CGradeModule::destroyBurstInstances(Burst& burst) {
  burst.mover.KillTimer();
  for (CEGUI::AnimationInstance*& instance : burst.instances) destroyInstance(instance);
  burst.instances.clear();
  burst.windows.clear();
  burst.layer = nullptr;
}

void CGradeModule::yellowLight() {
  destroyInstance(glowInstance_);
  glowInstance_ = playOn(yellowLightAnim_, arrowGlow_, kYellowLightSpeed);
}

void CGradeModule::prompt(int expression) {
  CEGUI::Animation* tip = expression >= 9 ? perfectTipAnim_ : expression < 6 ? hardTipAnim_ : goodTipAnim_;
  destroyInstance(promptInstance_);
  promptInstance_ = playOn(tip, prompt_, kPromptSpeed);
}

CEGUI::AnimationInstance* CGradeModule::playOn(CEGUI::Animation* anim, CEGUI::Window* target, float speed) {
  if (!anim || !target) return nullptr;
  CEGUI::AnimationInstance* instance = CEGUI::AnimationManager::getSingleton().instantiateAnimation(anim);
  instance->setTargetWindow(target);
  instance->setSpeed(speed);
  target->show();
  instance->start();
  return instance;
}

void CGradeModule::destroyInstance(CEGUI::AnimationInstance*& instance) {
  if (!instance) return;
  instance->stop();  // hides its window
  CEGUI::AnimationManager::getSingleton().destroyAnimationInstance(instance);
  instance = nullptr;
}
