#pragma once
// Which audio settings file belongs to which microphone: device name to file path, the
// current selection and the default name. File AudioDeviceConfig.xml: document element
// "element" with "Def" and "CurSel", one "Item" per device with "Name" and "Path", in name
// order. The measured microphone delays follow, one "MicDelay" per output and input pair
// with "Out", "In" and "Ms" (milliseconds).
#include <CEGUI/String.h>

#include <map>
#include <optional>
#include <utility>

#include "AppSet/ISet.h"

class CAudioDevConfigSet : public ISet {
 public:
  explicit CAudioDevConfigSet(CEGUI::String path = "PKData/AppSets/AudioDeviceConfig.xml");

  // Replaces everything with the file's content (GUI thread); when it cannot be read, the
  // single default entry "DefAudioCfg" comes back and the result is false. A name listed twice
  // keeps its first path.
  bool LoadSets() override;
  bool SaveSets() override;

  const CEGUI::String& path() const { return path_; }
  void setPath(const CEGUI::String& path) { path_ = path; }

  // The name becomes the current selection when it is known.
  bool selectConfig(const CEGUI::String& name);
  // The stored path and true when the name is known.
  bool configPath(const CEGUI::String& name, CEGUI::String& path) const;
  // Adds only when the name is not known yet; returns whether it added.
  bool addConfig(const CEGUI::String& name, const CEGUI::String& path);
  const CEGUI::String& currentSelection() const { return current_; }
  const CEGUI::String& defaultName() const { return default_; }
  const std::map<CEGUI::String, CEGUI::String>& configs() const { return configs_; }

  void restoreDefaults();

  // The measured microphone delay of an output and input pair (device names as saved in the
  // device choice); none when never measured. Setting refuses values outside 0..2000 ms.
  std::optional<int> micDelay(const CEGUI::String& output, const CEGUI::String& input) const;
  bool setMicDelay(const CEGUI::String& output, const CEGUI::String& input, int milliseconds);
  const std::map<std::pair<CEGUI::String, CEGUI::String>, int>& micDelays() const { return micDelays_; }

 private:
  friend class AudioDevConfigSetXMLHander;
  CEGUI::String path_;
  std::map<CEGUI::String, CEGUI::String> configs_;
  CEGUI::String current_;
  CEGUI::String default_;
  std::map<std::pair<CEGUI::String, CEGUI::String>, int> micDelays_;
};
