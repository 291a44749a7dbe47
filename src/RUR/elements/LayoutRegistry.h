#pragma once
// The one registry of menu entities: it creates them, owns every entity it created, maps each
// ID to the entity most recently created with it, and frees them all when it is cleared.
// Created by the application's start-up and cleared by its clean-up; GUI thread (and the
// start-up thread while it alone reads the menu).
#include <CEGUI/String.h>

#include <map>
#include <memory>
#include <vector>

#include "RUR/elements/Entity.h"

namespace CEGUI {

class LayoutRegistry {
 public:
  enum Kind { MenuButton = 0, LayoutWindow = 1 };

  LayoutRegistry();
  ~LayoutRegistry();
  LayoutRegistry(const LayoutRegistry&) = delete;
  LayoutRegistry& operator=(const LayoutRegistry&) = delete;

  // The program's registry, or null outside its lifetime.
  static LayoutRegistry* getSingletonPtr() { return s_instance; }

  // Kind 0: a menu button with `id`; kind 1: a layout window with `id`, `type` and `name`.
  Entity* create(Kind kind, const String& id, const String& type = "", const String& name = "");
  // Maps `id` to `entity` (an entity whose ID became known after it was created).
  void registerId(const String& id, Entity* entity);
  // The entity most recently registered with `id`, or null.
  Entity* find(const String& id) const;
  // Frees every entity; what pointed at them must be gone.
  void clear();
  size_t size() const { return d_owned.size(); }

 private:
  static LayoutRegistry* s_instance;
  std::vector<std::unique_ptr<Entity>> d_owned;
  std::map<String, Entity*> d_byId;
};

}  // namespace CEGUI
