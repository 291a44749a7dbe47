#pragma once
// The live grading display of a contest song: the engine's word, line and microphone results
// become three running counters with "+n" flashes, a pitch arrow on a scale bar coloured by the
// word's pitch grade, a prompt after each line, star and flower bursts for excellent words and
// lines, and the bonus points kept with the end-of-song score.
//
// One per performance. The performance builds it (its root joins the GUI sheet), gives it the
// pitch range and the note model, starts it with the song and stops it at the end, then reads
// bonusPoints() and the presenter's totals. Everything here runs on the GUI thread except the
// three engine callbacks, which run on the engine's analysis thread and only post events.
#include <CEGUI/Event.h>

#include <array>
#include <random>
#include <vector>

#include "PK/grade/PKScorePresent.h"
#include "guishell/CEGUITimer.h"

namespace CEGUI {
class Animation;
class AnimationInstance;
class EventArgs;
class Window;
}  // namespace CEGUI
class CMelodyNoteData;

class CGradeModule {
 public:
  static constexpr int kStarCount = 20;
  static constexpr int kMinStarBurst = 10;
  static constexpr int kFlowerCount = 30;
  static constexpr int kMinFlowerBurst = 20;
  static constexpr unsigned kMoverPeriodMs = 50;

  CGradeModule();
  virtual ~CGradeModule();
  CGradeModule(const CGradeModule&) = delete;
  CGradeModule& operator=(const CGradeModule&) = delete;

  // Loads "PK_GradeModule.layout" and adds its root to `sheet`, makes the star and flower
  // windows, finds the animations and subscribes to the three score events. Returns 0, or 1
  // when there is no sheet or the layout cannot be loaded (the module then shows nothing).
  int Build(CEGUI::Window* sheet);
  // The arrow's range as MIDI note numbers: `low` at the bottom of the scale bar, `high` at the
  // top. A range with high <= low is taken as one semitone wide.
  void setPitchRange(int low, int high);
  // The song's melody (not owned; it must outlive the module or be replaced).
  void setNoteData(const CMelodyNoteData* notes) { notes_ = notes; }
  // Contest scoring on, the engine callbacks registered, the counters' effects attached.
  int Start();
  // Timers and animations stopped, the subscriptions dropped: score events that still arrive
  // (the callbacks stay registered) reach nobody. The windows stay until the module goes.
  int Stop();

  int bonusPoints() const { return bonusPoints_; }
  PKScorePresent& presenter() { return presenter_; }
  const PKScorePresent& presenter() const { return presenter_; }
  CEGUI::Window* window() const { return root_; }
  int pitchLow() const { return low_; }
  int pitchHigh() const { return high_; }
  const CMelodyNoteData* noteData() const { return notes_; }

  // The contest callbacks that Start registers with the engine. Engine analysis thread: each
  // copies the engine's numbers into new event arguments and posts them to the GUI thread.
  static void onWordEnd();
  static void onLineEnd();
  static void onMicSample();

  // Bonus points for a line: `expression` in tenths, the line's pitch and rhythm scores 0..100.
  static int lineBonus(int expression, int pitchLine, int rhythmLine);

 private:
  // A burst of stars or flowers: the windows, one reusable animation instance each, and the
  // mover that drifts them by (dx, dy) pixels every 50 ms until all have left their layer.
  struct Burst {
    CEGUI::Window* layer = nullptr;
    std::vector<CEGUI::Window*> windows;
    std::vector<CEGUI::AnimationInstance*> instances;
    CEGUITimer mover;
    int minimum = 0;
    float dx = 0;
    float dy = 0;
  };

  bool onWordScore(const CEGUI::EventArgs& args);
  bool onLineScore(const CEGUI::EventArgs& args);
  bool onMicSampleEvent(const CEGUI::EventArgs& args);
  bool onRootDestroyed(const CEGUI::EventArgs& args);

  // A star, a flower, the arrow's glow and the prompt are seen only while their animation runs.
  static void hideWhenAnimationStops(CEGUI::Window* w);
  void subscribe();
  void disconnect();
  void forgetWindows();
  void makeBurst(Burst& burst, const char* windowPrefix, int count, CEGUI::Animation* animation,
                 const char* const* images, int imageCount);
  void startBurst(Burst& burst);
  void moveBurst(Burst& burst);
  void stopBurst(Burst& burst);
  void destroyBurstInstances(Burst& burst);
  void yellowLight();
  void prompt(int expression);
  void placeArrow(int micNote);
  CEGUI::AnimationInstance* playOn(CEGUI::Animation* animation, CEGUI::Window* target, float speed);
  void destroyInstance(CEGUI::AnimationInstance*& instance);

  CEGUI::Window* root_ = nullptr;
  CEGUI::Window* arrow_ = nullptr;
  CEGUI::Window* arrowGlow_ = nullptr;
  CEGUI::Window* prompt_ = nullptr;
  CEGUI::Window* scoreLine_ = nullptr;
  Burst stars_;
  Burst flowers_;
  CEGUI::AnimationInstance* glowInstance_ = nullptr;
  CEGUI::AnimationInstance* promptInstance_ = nullptr;
  CEGUI::Animation* yellowLightAnim_ = nullptr;
  CEGUI::Animation* goodTipAnim_ = nullptr;
  CEGUI::Animation* hardTipAnim_ = nullptr;
  CEGUI::Animation* perfectTipAnim_ = nullptr;
  CEGUI::Animation* starAnim_ = nullptr;
  CEGUI::Animation* flowerAnim_ = nullptr;

  int low_ = 0;
  int high_ = 127;
  const CMelodyNoteData* notes_ = nullptr;
  PKScorePresent presenter_;
  int bonusPoints_ = 0;
  std::minstd_rand random_;
  std::vector<CEGUI::Event::Connection> connections_;
  CEGUI::Event::Connection rootDestroyed_;
};
