#pragma once
// Helpers of the settings tests: settings files in a scratch installation, log counting.
#include <string>

#include "TestSupport.h"

namespace settest {

// Occurrences of `needle` in `text`.
inline size_t countOf(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

inline std::string unknownElementLine(const std::string& name) {
  return "The unknown XML element '" + name + "' was encountered";
}

// The serializer's document header.
inline const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n";

// A GUI test whose settings files live in the scratch installation's PKData/AppSets.
class SettingsGuiTest : public vktest::GuiTest {
 protected:
  std::string appSets(const std::string& name) const {
    return install_.path() + "/PKData/AppSets/" + name;
  }
  std::wstring wideAppSets(const std::string& name) const {
    const std::string p = appSets(name);
    return std::wstring(p.begin(), p.end());  // scratch paths are ASCII
  }
  std::string log() const { return install_.log(); }
};

}  // namespace settest
