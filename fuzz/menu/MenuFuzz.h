#pragma once
// Shared part of the practice menu's fuzz targets: read a document with one of the two
// handlers, merge, write, and check that what was written reads back and writes the same.
#include <string>

#include "AppSet/SetXml.h"
#include "FuzzHarness.h"
#include "RUR/elements/EntityXmlHandlers.h"
#include "RUR/elements/LayoutMerger.h"
#include "RUR/elements/LayoutRegistry.h"

namespace vkfuzz {

inline void writeText(const std::string& text) {
  writeInput(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

inline bool readWith(CEGUI::XMLHandler& handler, const std::string& path) {
  XmlReadOptions options;
  options.via = XmlReadVia::StandAlone;
  return readSettingsXml(handler, path, options);
}

// The written layout, read again and written again, must not change any more.
inline void checkLayoutRoundTrip(CEGUI::LayoutRegistry& registry, CEGUI::Entity* layout) {
  const CEGUI::KeepXmlWhiteSpace keep;
  writeText(CEGUI::LayoutMerger::layoutText(layout));
  CEGUI::Layout_xmlHandler again(registry);
  if (!readWith(again, scratchFile()) || !again.root()) fail("a written layout did not read back");
  const std::string second = CEGUI::LayoutMerger::layoutText(again.root());
  writeText(second);
  CEGUI::Layout_xmlHandler third(registry);
  if (!readWith(third, scratchFile()) || !third.root()) fail("a written layout did not read back twice");
  if (CEGUI::LayoutMerger::layoutText(third.root()) != second) fail("a layout round trip changed the layout");
}

}  // namespace vkfuzz
