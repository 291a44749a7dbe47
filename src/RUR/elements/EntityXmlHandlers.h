#pragma once
// The GUI library's XML parser reads the server's menu document and the practice layout into
// entities through these handlers. Each read starts from an empty stack and no root; the
// entities are created by the layout registry, which keeps them.
//
// Menu document:   <Root menuVersion="V"> <Button ID="I"> <Property Name="N" Value="V"/> ...
// Practice layout: <GUILayout [Parent="I"]> <Window type="T" name="N"> <Property name="N"
//                  value="V"/> or <Property name="N">text</Property>, <AutoWindow
//                  namePath="S"> ... (LayoutImport and Event are ignored)
// Other elements are logged and skipped. A document of more than kMaxEntities entities is
// refused (the handler throws std::length_error), so a huge document cannot make the merge
// crawl.
#include <CEGUI/XMLHandler.h>

#include <cstddef>
#include <vector>

#include "RUR/elements/Entity.h"

namespace CEGUI {

class LayoutRegistry;

// While it lives, the XML parser keeps text as written: a property value with line feeds,
// written as element text, reads back unchanged (the parser otherwise turns runs of white
// space into one blank). The setting is the parser library's own and process-wide: use it on
// the GUI thread, around one read.
class KeepXmlWhiteSpace {
 public:
  KeepXmlWhiteSpace();
  ~KeepXmlWhiteSpace();
  KeepXmlWhiteSpace(const KeepXmlWhiteSpace&) = delete;
  KeepXmlWhiteSpace& operator=(const KeepXmlWhiteSpace&) = delete;

 private:
  bool previous_;
};

class Entity_xmlHandler : public XMLHandler {
 public:
  static constexpr size_t kMaxEntities = 4096;

  explicit Entity_xmlHandler(LayoutRegistry& registry) : d_registry(registry) {}
  const String& getDefaultResourceGroup() const override;

  // Empty stack, no root: the state a read starts from.
  virtual void reset();
  // The first entity created while the stack was empty, or null.
  Entity* root() const { return d_root; }

 protected:
  // Makes `entity` a child of the innermost open entity (or of the root) and opens it.
  void open(Entity* entity);
  void close();
  Entity* innermost() const { return d_stack.empty() ? nullptr : d_stack.back(); }
  // Counts an entity against the limit; throws past it.
  void countEntity();

  LayoutRegistry& d_registry;
  std::vector<Entity*> d_stack;
  Entity* d_root = nullptr;
  size_t d_created = 0;
};

class Layout_xmlHandler : public Entity_xmlHandler {
 public:
  using Entity_xmlHandler::Entity_xmlHandler;

  void reset() override;
  void elementStart(const String& element, const XMLAttributes& attributes) override;
  void elementEnd(const String& element) override;
  void text(const String& text) override;

  const String& parentId() const { return d_parentId; }

 private:
  void addProperty(Entity* target, const String& name, const String& value);

  String d_parentId;
  String d_propertyName;
  String d_propertyText;
  bool d_propertyPending = false;
  // Per open "AutoWindow": whether it opened an entity.
  std::vector<bool> d_autoWindows;
  // Elements inside an "AutoWindow" that matched nothing: their contents are ignored.
  int d_skipDepth = 0;
};

class Menu_xmlHandler : public Entity_xmlHandler {
 public:
  using Entity_xmlHandler::Entity_xmlHandler;

  void reset() override;
  void elementStart(const String& element, const XMLAttributes& attributes) override;
  void elementEnd(const String& element) override;

  const String& menuVersion() const { return d_version; }

 private:
  String d_version;
};

}  // namespace CEGUI
