#pragma once
// The audio devices chosen last: input and output, each a name and an index. File
// AudioDevUse.xml: document element "AudioDevUse" holding two "Item" elements, the input
// ("Name" "AudioIn") then the output ("Name" "AudiOut"), each with "DevName" and "DevID".
#include <CEGUI/String.h>

#include <string>

#include "AppSet/ISet.h"

struct UsedAudioDevice {
  std::wstring name;
  unsigned id = 0;
};

class CAudioDevUseSet : public ISet {
 public:
  explicit CAudioDevUseSet(CEGUI::String path = "PKData/AppSets/AudioDevUse.xml");

  // Reads through the GUI system's parser (GUI thread); items with other names are ignored.
  bool LoadSets() override;
  bool SaveSets() override;

  const CEGUI::String& path() const { return path_; }
  void setPath(const CEGUI::String& path) { path_ = path; }

  const UsedAudioDevice& input() const { return input_; }
  const UsedAudioDevice& output() const { return output_; }
  void setInput(const UsedAudioDevice& device) { input_ = device; }
  void setOutput(const UsedAudioDevice& device) { output_ = device; }

 private:
  friend class CAudioDevUseSetXMLHander;
  CEGUI::String path_;
  UsedAudioDevice input_;
  UsedAudioDevice output_;
};
