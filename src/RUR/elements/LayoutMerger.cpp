#include "RUR/elements/LayoutMerger.h"

#include <CEGUI/Exceptions.h>
#include <CEGUI/XMLSerializer.h>

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

#include "RUR/elements/Entity.h"
#include "RUR/elements/LayoutNames.h"
#include "RUR/elements/LayoutRegistry.h"
#include "app/AppLog.h"
#include "oscompat/AtomicFile.h"

namespace CEGUI {

namespace ln = layoutnames;

namespace {

// The pictures of a new item by the level of the level it goes into.
struct LevelImages {
  const char* hover;
  const char* disabled;
  const char* normal;
};

LevelImages levelImages(int level) {
  switch (level) {
    case 0:
      return {"NetMenu/GreenSmallFrame_Hover", "NetMenu/GreenSmallFrame_Disable", "NetMenu/GreenSmallFrame_Normal"};
    case 2:
      return {"NetMenu/YellowSmallFrame_Hover", "NetMenu/YellowSmallFrame_Disable", "NetMenu/YellowSmallFrame_Normal"};
    case 3:
      return {"NetMenu/PurpleSmallFrame_Hover", "NetMenu/PurpleSmallFrame_Disable", "NetMenu/PurpleSmallFrame_Normal"};
    default:
      return {"", "", ""};
  }
}

void copyCommands(const Entity* entry, LayoutEntity* item) {
  for (const char* name : ln::kCommandNames) item->addCommand(name, entry->property(name));
}

void writeEntity(XMLSerializer& xml, const Entity* entity) {
  const auto* window = dynamic_cast<const LayoutEntity*>(entity);
  if (!window) return;
  xml.openTag("Window").attribute("type", window->windowType()).attribute("name", window->windowName());
  if (!window->id().empty()) xml.openTag("Property").attribute("name", ln::kId).attribute("value", window->id()).closeTag();
  for (const auto& [name, value] : window->properties()) {
    xml.openTag("Property").attribute("name", name);
    // A line feed would not survive an attribute value: such values are the element's text.
    if (value.find(static_cast<utf32>('\n')) == String::npos)
      xml.attribute("value", value);
    else
      xml.text(value);
    xml.closeTag();
  }
  for (size_t i = 0; i < window->childCount(); ++i) writeEntity(xml, window->childAt(i));
  xml.closeTag();
}

}  // namespace

LayoutMerger::ItemFrame LayoutMerger::itemFrame(size_t characters) {
  if (characters <= 4) return {"NetMenu/MediumFrame", "{{0,139}, {0,58}}"};
  if (characters <= 6) return {"NetMenu/LargeFrame", "{{0,200}, {0,63}}"};
  // Longer labels get the large frame, widened by a character's width per character up to
  // what a pop-up holds, so the label shows whole.
  const size_t width = std::min<size_t>(200 + 32 * (characters - 6), 420);
  return {"NetMenu/LargeFrame", String(("{{0," + std::to_string(width) + "}, {0,63}}").c_str())};
}

void LayoutMerger::merge(Entity* menu, Entity* layout) {
  if (!menu || !layout) return;
  // Pre-order over the menu, iteratively; an entry without ID cannot be placed, and neither
  // can its sub-entries (their parent has no window to find).
  std::vector<std::pair<Entity*, int>> pending{{menu, 0}};
  bool tooDeep = false;
  while (!pending.empty()) {
    auto [entry, depth] = pending.back();
    pending.pop_back();
    if (entry->id().empty()) continue;
    if (depth > kMaxMenuDepth) {
      tooDeep = true;
      continue;
    }
    place(entry, layout);
    for (size_t i = entry->childCount(); i-- > 0;) pending.emplace_back(entry->childAt(i), depth + 1);
  }
  if (tooDeep) appLogError("LayoutMerger: menu entries nested more than 8 deep were left out");
  prune(layout, menu);
}

bool LayoutMerger::container(Entity* parent, size_t entryIndex, Entity*& holder, size_t& index) {
  if (parent->level() == 0) {
    holder = parent;
    index = entryIndex + 1;
  } else {
    holder = parent->childAt(0);
    index = entryIndex;
  }
  return holder != nullptr;
}

void LayoutMerger::place(Entity* entry, Entity* layout) {
  Entity* parentEntry = entry->parent();
  Entity* q = layout->findById(entry->id());
  if (!q) {
    if (!parentEntry) {
      layout->setId(entry->id());
      return;
    }
    auto* p = dynamic_cast<LayoutEntity*>(layout->findById(parentEntry->id()));
    if (!p) return;
    if (p->childCount() == 0 && p->level() > 0) {
      Entity* popup = d_registry.create(LayoutRegistry::LayoutWindow, "", ln::kPopupType,
                                        p->windowName() + ln::kPopupSuffix);
      for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>>{
               {"AutoResizeEnabled", "true"},
               {"BorderWidth", "10"},
               {"ClippedByParent", "False"},
               {"FadeInTime", "0"},
               {"FadeOutTime", "0"},
               {"ItemSpacing", "0"},
               {"LeftBGImage", "Menu2/MenuBarBK_Middle"},
               {"MiddleBGImage", "Menu2/MenuBarBK_Middle"},
               {"RightBGImage", "Menu2/MenuBarBK_Right"},
               {"MaxSize", "{{2,0},{1,0}}"},
               {"Visible", "False"}})
        popup->addProperty(name, value);
      p->insertChild(0, popup);
    }
    Entity* holder = nullptr;
    size_t index = 0;
    if (!container(p, parentEntry->indexOf(entry), holder, index)) return;
    holder->insertChild(index, createItem(entry, p, holder->level()));
    return;
  }
  if (parentEntry) {
    Entity* p = layout->findById(parentEntry->id());
    Entity* holder = nullptr;
    size_t index = 0;
    // A window never moves into its own subtree (an ID given twice could ask for that).
    if (p && container(p, parentEntry->indexOf(entry), holder, index) && !q->contains(holder)) {
      if (q->parent() == holder) {
        const size_t at = holder->indexOf(q);
        if (at != index) holder->swapChildren(std::min(index, holder->childCount() - 1), at);
      } else {
        holder->insertChild(index, q);
      }
    }
  }
  const String text = entry->property("text");
  q->replaceProperty(ln::kText, text);
  if (q->level() > 0) q->replaceProperty(ln::kSize, itemFrame(text.length()).size);
  if (auto* window = dynamic_cast<LayoutEntity*>(q)) copyCommands(entry, window);
}

LayoutEntity* LayoutMerger::createItem(Entity* entry, LayoutEntity* parent, int containerLevel) {
  auto* item = static_cast<LayoutEntity*>(d_registry.create(LayoutRegistry::LayoutWindow, entry->id(), ln::kItemType,
                                                            parent->windowName() + "/" + entry->id()));
  copyCommands(entry, item);
  const String text = entry->property("text");
  const ItemFrame frame = itemFrame(text.length());
  const LevelImages images = levelImages(containerLevel);
  item->addProperty(ln::kText, text);
  item->addProperty(ln::kFrameImage, frame.image);
  item->addProperty(ln::kHoverImage, images.hover);
  item->addProperty(ln::kNoActiveLayerImage, images.disabled);
  item->addProperty(ln::kNormalImage, images.normal);
  item->addProperty(ln::kPushedImage, images.hover);
  item->addProperty(ln::kPosition, "{{0.0,0},{0.0,0}}");
  item->addProperty(ln::kSize, frame.size);
  return item;
}

void LayoutMerger::prune(Entity* layout, Entity* menu) {
  // Each frame: an entity whose children are being pruned and the next child to look at.
  std::vector<std::pair<Entity*, size_t>> frames{{layout, 0}};
  while (!frames.empty()) {
    auto& [parent, next] = frames.back();
    if (next >= parent->childCount()) {
      frames.pop_back();
      continue;
    }
    Entity* e = parent->childAt(next);
    if (!e->id().empty() && !menu->findById(e->id())) {
      e->clearMenuProperties();
      parent->removeChild(e);
      // The entity that moved into e's place is looked at next. An emptied pop-up goes too;
      // the walk of its own parent then looks at what moved into its place.
      if (parent->childCount() == 0 && parent->parent()) {
        Entity* emptied = parent;
        frames.pop_back();
        emptied->parent()->removeChild(emptied);
        if (!frames.empty() && frames.back().second > 0) --frames.back().second;
      }
      continue;
    }
    ++next;
    frames.emplace_back(e, 0);
  }
}

std::string LayoutMerger::layoutText(Entity* root) {
  std::ostringstream out;
  XMLSerializer xml(out, 4);
  xml.openTag("GUILayout").attribute("version", "4");
  writeEntity(xml, root);
  xml.closeTag();
  return out.str();
}

void LayoutMerger::saveLayout(Entity* root, const std::string& file) {
  const std::string text = layoutText(root);
  std::string why;
  if (!oscompat::writeFileAtomically(file, text, &why)) {
    appLogError("LayoutMerger::saveLayout: " + file + ": " + why);
    FileIOException error("LayoutMerger::saveLayout: failed to create stream for writing.", "LayoutMerger", 419,
                          "saveLayout");
    throw error;
  }
}

}  // namespace CEGUI
