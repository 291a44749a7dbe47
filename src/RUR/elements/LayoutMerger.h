#pragma once
// Merges the server's menu document into the practice layout, and writes the layout back.
//
// The merge places every menu entry (pre-order): an entry whose ID a layout window carries
// moves to its place and takes the entry's label; a new one becomes a menu item, with a
// pop-up created for a parent that had no children. Then it prunes: a window whose ID the
// menu no longer has goes, and a pop-up left empty goes with it. Windows without ID stay.
//
// Container rule: an entry whose parent's window is the menu bar (level 0) goes into the bar
// at its index among its siblings + 1 (the bar's first item is the layout's own); a deeper
// one goes into its parent's pop-up (the parent's first child) at its own index.
#include <CEGUI/String.h>

#include <string>

namespace CEGUI {

class Entity;
class LayoutEntity;
class LayoutRegistry;

class LayoutMerger {
 public:
  // Entries nested deeper than this are not placed: menus go three levels deep.
  static constexpr int kMaxMenuDepth = 8;

  explicit LayoutMerger(LayoutRegistry& registry) : d_registry(registry) {}

  // Merges the menu tree `menu` into the layout tree `layout` (which it changes).
  void merge(Entity* menu, Entity* layout);

  // The layout document of the tree under `root`.
  static std::string layoutText(Entity* root);
  // Writes that document over `file`, replacing it whole or not at all. Throws the GUI
  // library's FileIOException when it cannot be written.
  static void saveLayout(Entity* root, const std::string& file);

  // What a menu item of `characters` characters looks like: its frame picture and size.
  struct ItemFrame {
    const char* image;
    String size;
  };
  static ItemFrame itemFrame(size_t characters);

 private:
  void place(Entity* entry, Entity* layout);
  // The container and index of the container rule for an entry whose parent's window is
  // `parent`; false when there is no container.
  static bool container(Entity* parent, size_t entryIndex, Entity*& holder, size_t& index);
  LayoutEntity* createItem(Entity* entry, LayoutEntity* parent, int containerLevel);
  static void prune(Entity* layout, Entity* menu);

  LayoutRegistry& d_registry;
};

}  // namespace CEGUI
