#pragma once
// The system audio component: the system mixer's master volume, microphone (capture) level
// and microphone monitoring level (the microphone heard through the card's own mixer). Levels
// are 0..65535 as the module's settings hold them, mapped onto each control's own range. The
// levels found when a mixer is taken up are written back by restore(), so the module leaves
// the system as it found it. GUI thread.
#include <memory>
#include <string>

namespace audiocomponent {

// The three controls the component sets.
enum class MixerControl { Master, Capture, Monitor };

// One mixer: reads and writes a control's raw value within its range.
class MixerBackend {
 public:
  virtual ~MixerBackend() = default;
  // False when the mixer has no such control.
  virtual bool range(MixerControl control, long& min, long& max) = 0;
  virtual bool get(MixerControl control, long& value) = 0;
  virtual bool set(MixerControl control, long value) = 0;
  virtual std::string name() const = 0;
};

class SystemAudioComponent {
 public:
  // The component over the ALSA simple mixer of the first sound card (libasound is loaded at
  // run time). Null, with `why`, without libasound, without a card or without any of the
  // three controls: the module then goes on without a component.
  static std::unique_ptr<SystemAudioComponent> createAlsa(std::string& why);
  // Over any mixer (tests).
  explicit SystemAudioComponent(std::unique_ptr<MixerBackend> mixer);
  ~SystemAudioComponent();

  // False when the mixer has no such control (nothing changes).
  bool setMasterVolume(int level);
  bool setMicrophoneLevel(int level);
  bool setMonitorLevel(int level);
  // The level now, 0..65535; -1 without the control.
  int level(MixerControl control);

  // The mixer of the card whose name the device's name holds, when there is one (ALSA only;
  // the levels of the mixer left are restored first). Names that match no card keep the
  // mixer in use.
  void selectOutputDevice(const std::string& deviceName);
  void selectInputDevice(const std::string& deviceName);

  // Writes back the levels found when the mixer was taken up.
  void restore();
  std::string mixerName() const;

 private:
  bool setLevel(MixerControl control, int level);
  void remember();
  void selectCardFor(const std::string& deviceName);

  std::unique_ptr<MixerBackend> mixer_;
  struct Saved {
    bool present = false;
    long value = 0;
  } saved_[3];
  bool alsa_ = false;
  int card_ = -1;
};

}  // namespace audiocomponent
