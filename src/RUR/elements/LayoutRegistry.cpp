#include "RUR/elements/LayoutRegistry.h"

namespace CEGUI {

LayoutRegistry* LayoutRegistry::s_instance = nullptr;

LayoutRegistry::LayoutRegistry() { s_instance = this; }

LayoutRegistry::~LayoutRegistry() {
  clear();
  if (s_instance == this) s_instance = nullptr;
}

Entity* LayoutRegistry::create(Kind kind, const String& id, const String& type, const String& name) {
  std::unique_ptr<Entity> entity;
  if (kind == MenuButton)
    entity = std::make_unique<MenuButtonEntity>(id);
  else
    entity = std::make_unique<LayoutEntity>(id, type, name);
  Entity* raw = entity.get();
  d_owned.push_back(std::move(entity));
  if (!id.empty()) d_byId[id] = raw;
  return raw;
}

void LayoutRegistry::registerId(const String& id, Entity* entity) {
  if (!id.empty()) d_byId[id] = entity;
}

Entity* LayoutRegistry::find(const String& id) const {
  const auto it = d_byId.find(id);
  return it == d_byId.end() ? nullptr : it->second;
}

void LayoutRegistry::clear() {
  d_byId.clear();
  d_owned.clear();
}

}  // namespace CEGUI
