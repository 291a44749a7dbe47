#include "RUR/elements/Entity.h"

#include <algorithm>

#include "RUR/elements/LayoutNames.h"

namespace CEGUI {

void Entity::addChild(Entity* child) { insertChild(d_children.size(), child); }

void Entity::insertChild(size_t index, Entity* child) {
  if (!child) return;
  if (child->d_parent) child->d_parent->removeChild(child);
  d_children.insert(d_children.begin() + static_cast<std::ptrdiff_t>(std::min(index, d_children.size())), child);
  child->d_parent = this;
}

bool Entity::removeChild(Entity* child) {
  const auto it = std::find(d_children.begin(), d_children.end(), child);
  if (it == d_children.end()) return false;
  d_children.erase(it);
  child->d_parent = nullptr;
  return true;
}

size_t Entity::indexOf(const Entity* child) const {
  const auto it = std::find(d_children.begin(), d_children.end(), child);
  return it == d_children.end() ? npos : static_cast<size_t>(it - d_children.begin());
}

void Entity::swapChildren(size_t a, size_t b) {
  if (a >= d_children.size() || b >= d_children.size()) return;
  std::swap(d_children[a], d_children[b]);
}

Entity* Entity::findById(const String& id) {
  // Iterative, so that no document, however deep, can exhaust the stack.
  std::vector<Entity*> pending{this};
  while (!pending.empty()) {
    Entity* e = pending.back();
    pending.pop_back();
    if (e->d_id == id) return e;
    for (auto it = e->d_children.rbegin(); it != e->d_children.rend(); ++it) pending.push_back(*it);
  }
  return nullptr;
}

bool Entity::contains(const Entity* other) const {
  for (const Entity* e = other; e; e = e->d_parent)
    if (e == this) return true;
  return false;
}

int Entity::level() const {
  int n = 0;
  for (const Entity* e = d_parent; e; e = e->d_parent)
    if (!e->d_id.empty()) ++n;
  return n;
}

String Entity::property(const String& name) const {
  const auto it = d_properties.find(name);
  return it == d_properties.end() ? String() : it->second;
}

bool Entity::addProperty(const String& name, const String& value) {
  return d_properties.emplace(name, value).second;
}

bool Entity::replaceProperty(const String& name, const String& value) {
  const auto it = d_properties.find(name);
  if (it == d_properties.end()) return false;
  it->second = value;
  return true;
}

void LayoutEntity::clearMenuProperties() {
  for (const char* name : layoutnames::kMenuItemProperties) d_properties.erase(name);
  d_commands.clear();
}

String LayoutEntity::command(const String& name) const {
  const auto it = d_commands.find(name);
  return it == d_commands.end() ? String() : it->second;
}

bool LayoutEntity::addCommand(const String& name, const String& value) {
  return d_commands.emplace(name, value).second;
}

}  // namespace CEGUI
