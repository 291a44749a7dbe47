#pragma once
// The practice menu as a tree of entities: the windows of the practice layout and the buttons
// of the server's menu document, merged into one another before the layout is loaded.
//
// An entity has an ID (may be empty), properties (one value per name, kept in name order) and
// ordered children. Parent and child links do not own: every entity belongs to the layout
// registry that created it.
#include <CEGUI/String.h>

#include <map>
#include <vector>

namespace CEGUI {

class Entity {
 public:
  using PropertyMap = std::map<String, String>;

  explicit Entity(const String& id = "") : d_id(id) {}
  virtual ~Entity() = default;
  Entity(const Entity&) = delete;
  Entity& operator=(const Entity&) = delete;

  // Drops what the menu merge gave the entity (nothing for plain entities and menu buttons).
  virtual void clearMenuProperties() {}

  const String& id() const { return d_id; }
  void setId(const String& id) { d_id = id; }
  Entity* parent() const { return d_parent; }

  // Appends `child` and makes this entity its parent.
  void addChild(Entity* child);
  // Inserts `child` at `index` (at the end when the index lies beyond it).
  void insertChild(size_t index, Entity* child);
  // Takes `child` out of the children and clears its parent; false when it is not a child.
  bool removeChild(Entity* child);
  // The position of `child` among the children, or npos.
  size_t indexOf(const Entity* child) const;
  Entity* childAt(size_t index) const { return index < d_children.size() ? d_children[index] : nullptr; }
  size_t childCount() const { return d_children.size(); }
  // Exchanges the children at two positions; nothing when either lies beyond the children.
  void swapChildren(size_t a, size_t b);

  // Depth first, this entity before its children and each child's subtree in order: the first
  // entity whose ID equals `id`.
  Entity* findById(const String& id);
  // Whether `other` is this entity or lies in its subtree.
  bool contains(const Entity* other) const;
  // The number of ancestors whose ID is not empty.
  int level() const;

  // A property's value, or empty text when it is absent.
  String property(const String& name) const;
  bool hasProperty(const String& name) const { return d_properties.count(name) != 0; }
  // Adds the property only when the name is absent; true when it was added.
  bool addProperty(const String& name, const String& value);
  // Replaces the value only when the name is present; true when it was replaced.
  bool replaceProperty(const String& name, const String& value);
  bool removeProperty(const String& name) { return d_properties.erase(name) != 0; }
  const PropertyMap& properties() const { return d_properties; }

  static constexpr size_t npos = static_cast<size_t>(-1);

 protected:
  String d_id;
  Entity* d_parent = nullptr;
  PropertyMap d_properties;
  std::vector<Entity*> d_children;
};

// One window of a layout, with the command attributes ("nCmdType", "TypeID", "sTypeID") the
// menu document gives its item.
class LayoutEntity : public Entity {
 public:
  LayoutEntity(const String& id, const String& type, const String& name)
      : Entity(id), d_type(type), d_name(name) {}

  // Removes the look, text, place and size the merge gives a menu item, and its commands.
  void clearMenuProperties() override;

  const String& windowType() const { return d_type; }
  const String& windowName() const { return d_name; }

  String command(const String& name) const;
  // Adds the command attribute only when the name is absent.
  bool addCommand(const String& name, const String& value);
  const PropertyMap& commands() const { return d_commands; }

 private:
  String d_type;
  String d_name;
  PropertyMap d_commands;
};

// One "Button" of the menu document; its properties are the button's ("text", "nCmdType",
// "TypeID", "sTypeID").
class MenuButtonEntity : public Entity {
 public:
  explicit MenuButtonEntity(const String& id) : Entity(id) {}
};

}  // namespace CEGUI
