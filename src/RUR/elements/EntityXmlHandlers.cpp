#include "RUR/elements/EntityXmlHandlers.h"

#include <CEGUI/XMLAttributes.h>

#include <tinyxml.h>

#include <stdexcept>

#include "RUR/elements/LayoutNames.h"
#include "RUR/elements/LayoutRegistry.h"
#include "app/AppLog.h"

namespace CEGUI {

namespace {
// An attribute under its layout name ("type") or its older spelling ("Type").
String attribute(const XMLAttributes& attributes, const char* name, const char* older) {
  if (attributes.exists(name)) return attributes.getValueAsString(name);
  return attributes.getValueAsString(older);
}
}  // namespace

KeepXmlWhiteSpace::KeepXmlWhiteSpace() : previous_(TiXmlBase::IsWhiteSpaceCondensed()) {
  TiXmlBase::SetCondenseWhiteSpace(false);
}

KeepXmlWhiteSpace::~KeepXmlWhiteSpace() { TiXmlBase::SetCondenseWhiteSpace(previous_); }

const String& Entity_xmlHandler::getDefaultResourceGroup() const {
  static const String group;
  return group;
}

void Entity_xmlHandler::reset() {
  d_stack.clear();
  d_root = nullptr;
  d_created = 0;
}

void Entity_xmlHandler::open(Entity* entity) {
  if (Entity* parent = innermost())
    parent->addChild(entity);
  else if (d_root)
    d_root->addChild(entity);
  else
    d_root = entity;
  d_stack.push_back(entity);
}

void Entity_xmlHandler::close() {
  if (!d_stack.empty()) d_stack.pop_back();
}

void Entity_xmlHandler::countEntity() {
  if (++d_created > kMaxEntities)
    throw std::length_error("the document holds more than " + std::to_string(kMaxEntities) + " entries");
}

// ---------------------------------------------------------------------------------------------

void Layout_xmlHandler::reset() {
  Entity_xmlHandler::reset();
  d_parentId.clear();
  d_propertyName.clear();
  d_propertyText.clear();
  d_propertyPending = false;
  d_autoWindows.clear();
  d_skipDepth = 0;
}

void Layout_xmlHandler::elementStart(const String& element, const XMLAttributes& attributes) {
  if (d_skipDepth > 0) {
    ++d_skipDepth;
    return;
  }
  if (element == "GUILayout") {
    d_parentId = attributes.getValueAsString("Parent");
  } else if (element == "Window") {
    countEntity();
    const String id = attributes.getValueAsString(layoutnames::kId);
    Entity* e = d_registry.create(LayoutRegistry::LayoutWindow, id, attribute(attributes, "type", "Type"),
                                  attribute(attributes, "name", "Name"));
    open(e);
  } else if (element == "AutoWindow") {
    const auto* window = dynamic_cast<LayoutEntity*>(innermost());
    const String suffix = attribute(attributes, "namePath", "NameSuffix");
    Entity* target = window ? d_registry.find(window->windowName() + suffix) : nullptr;
    // An entity already open (or an ancestor of the open one) is not opened twice.
    if (target && !target->contains(innermost())) {
      d_stack.push_back(target);
      d_autoWindows.push_back(true);
    } else {
      d_skipDepth = 1;
    }
  } else if (element == "Property") {
    const String name = attribute(attributes, "name", "Name");
    if (attributes.exists("value") || attributes.exists("Value")) {
      addProperty(innermost(), name, attribute(attributes, "value", "Value"));
    } else {
      d_propertyPending = true;
      d_propertyName = name;
      d_propertyText.clear();
    }
  } else if (element == "LayoutImport" || element == "Event") {
    // Not part of the menu's entities.
  } else {
    appLogError("GUILayout_xmlHandler::startElement - Unexpected data was found while parsing the gui-layout file: '" +
                std::string(element.c_str()) + "' is unknown.");
  }
}

void Layout_xmlHandler::elementEnd(const String& element) {
  if (d_skipDepth > 0) {
    --d_skipDepth;
    return;
  }
  if (element == "Window") {
    close();
  } else if (element == "AutoWindow") {
    if (!d_autoWindows.empty()) {
      d_autoWindows.pop_back();
      close();
    }
  } else if (element == "Property") {
    if (d_propertyPending) addProperty(innermost(), d_propertyName, d_propertyText);
    d_propertyPending = false;
  } else if (element == "GUILayout") {
    Entity* parent = d_parentId.empty() ? nullptr : d_registry.find(d_parentId);
    // A parent inside the layout's own tree would make the tree a loop.
    if (parent && d_root && !d_root->contains(parent)) parent->addChild(d_root);
  }
}

void Layout_xmlHandler::text(const String& text) {
  if (d_skipDepth == 0 && d_propertyPending) d_propertyText += text;
}

void Layout_xmlHandler::addProperty(Entity* target, const String& name, const String& value) {
  if (!target || name.empty()) return;
  // The window's ID is a property in the layout and the entity's ID in the tree.
  if (name == layoutnames::kId) {
    if (target->id().empty() && !value.empty()) {
      target->setId(value);
      d_registry.registerId(value, target);
    }
    return;
  }
  target->addProperty(name, value);
}

// ---------------------------------------------------------------------------------------------

void Menu_xmlHandler::reset() {
  Entity_xmlHandler::reset();
  d_version.clear();
}

void Menu_xmlHandler::elementStart(const String& element, const XMLAttributes& attributes) {
  if (element == "Root") {
    d_version = attributes.getValueAsString("menuVersion");
  } else if (element == "Button") {
    countEntity();
    open(d_registry.create(LayoutRegistry::MenuButton, attributes.getValueAsString("ID")));
  } else if (element == "Property") {
    const String name = attributes.getValueAsString("Name");
    if (Entity* button = innermost(); button && !name.empty())
      button->addProperty(name, attributes.getValueAsString("Value"));
  } else {
    appLogError("Falagard::xmlHandler::elementStart - The unknown XML element '" + std::string(element.c_str()) +
                "' was encountered while processing the look and feel file.");
  }
}

void Menu_xmlHandler::elementEnd(const String& element) {
  if (element == "Button") close();
}

}  // namespace CEGUI
