#pragma once
// The audio settings: the named setting items (volumes, tempo, key, echo) with their ranges
// and defaults, and the reverberation modes. Every change of an item is applied at once to
// the engine or the system audio component. File Audio.xml (and each microphone's own file):
//   <Set>
//     <Value> one <Item Name Min Max Setup Cur Def Txt/> per item, in name order </Value>
//     <AudioEffset CurSel Def> one <Item Name EffectID bUser Depth ECHO Txt/> per mode </AudioEffset>
//   </Set>
#include <CEGUI/Event.h>
#include <CEGUI/EventSet.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/ISet.h"

class IAudioComponent;
class IAudioEngine;

// One setting. A fresh item has value 50, range 0 to 100, step 1, default 50.
class Item : public CEGUI::EventSet {
 public:
  // Fired on the item with plain arguments after every change of the value.
  static const CEGUI::String EventValueChanged;
  // Fired after a change made with the update flag (the setup page redraws its bar).
  static const CEGUI::String EventUpdateProgress;

  Item() = default;
  Item(std::wstring name, std::wstring txt, int min, int max, int step, int value, int def);

  // False, and nothing changes, when `value` lies outside the range; true without events when
  // it equals the current value.
  bool setValue(int value, bool update);
  // setValue(default, true).
  bool resetValue();
  // Refused when min > max.
  bool setRange(int min, int max);
  // Refused outside the range.
  bool setDefault(int value);
  void setStep(int step) { step_ = step; }
  void setName(const std::wstring& name) { name_ = name; }
  void setTxt(const std::wstring& txt) { txt_ = txt; }

  const std::wstring& name() const { return name_; }
  const std::wstring& txt() const { return txt_; }
  int value() const { return value_; }
  int min() const { return min_; }
  int max() const { return max_; }
  int step() const { return step_; }
  int defaultValue() const { return default_; }

 private:
  std::wstring name_;
  std::wstring txt_;
  int value_ = 50;
  int min_ = 0;
  int max_ = 100;
  int step_ = 1;
  int default_ = 50;
};

// A reverberation mode. `EffectID` is the engine's room mode; a user mode (`bUser`) has an
// adjustable echo, whose depth and level it keeps.
struct EffectMode {
  std::wstring Name;
  int EffectID = 0;
  std::wstring Txt;
  int ECHO = 0;
  int Depth = 0;
  bool bUser = false;
};

class CAudioSet : public ISet {
 public:
  // Starts with the built-in items and modes.
  explicit CAudioSet(std::wstring path = L"PKData/AppSets/Audio.xml");
  ~CAudioSet();
  CAudioSet(const CAudioSet&) = delete;
  CAudioSet& operator=(const CAudioSet&) = delete;

  // Replaces every item and mode with those of the file (GUI thread). When the file cannot be
  // read the built-ins take their place and the result is false. Built-in items the file
  // lacks are added, and the built-in modes when it lists none, so every item the program
  // looks up exists. Values are not applied at load time; later changes are.
  bool LoadSets() override;
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  // Null when there is no item of that name.
  Item* getItem(const std::wstring& name) const;
  const std::map<std::wstring, std::unique_ptr<Item>>& items() const { return items_; }

  const std::vector<EffectMode>& modes() const { return modes_; }
  // Null when there are no modes.
  EffectMode* currentMode();
  EffectMode* defaultMode();
  // The mode at `index` becomes the current one; false when there is none there.
  bool setCurrentMode(size_t index);
  // Whether the current mode is a user mode.
  bool isUserMode() const;

  // A challenge is running: resetting leaves "MELODY" alone.
  void setKeepMelody(bool keep) { keepMelody_ = keep; }
  bool keepMelody() const { return keepMelody_; }

  // Every item back to its default (with events; "MELODY" only without keepMelody); the
  // default mode becomes current, and a user mode gives "Depth" and "ECHO" its own values.
  void resetToDefaults();

  // Not owned; null detaches. "VOL" and "MIC" apply through the component, the others
  // through the engine.
  void setComponent(IAudioComponent* component) { component_ = component; }
  void setEngine(IAudioEngine* engine) { engine_ = engine; }

 private:
  friend class AudioSet_xmlHandler;
  void createBuiltInItems(bool onlyMissing);
  void createBuiltInModes();
  void storeItem(std::unique_ptr<Item> item);
  void connectApply();
  void disconnectApply();
  void apply(const std::wstring& name, int value);

  std::wstring path_;
  std::map<std::wstring, std::unique_ptr<Item>> items_;
  std::vector<EffectMode> modes_;
  int current_ = -1;
  int default_ = -1;
  bool keepMelody_ = false;
  IAudioComponent* component_ = nullptr;
  IAudioEngine* engine_ = nullptr;
  std::vector<CEGUI::Event::Connection> applied_;
};
