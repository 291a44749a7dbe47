#include "NetWork/NetworkInterfaceFactoryManager.h"

#include <CEGUI/Exceptions.h>

template <>
NetworkInterfaceFactoryManager* CEGUI::Singleton<NetworkInterfaceFactoryManager>::ms_Singleton = nullptr;

namespace {
const char* const kSource = "NetWork\\NetworkInterfaceFactoryManager";
}

NetworkInterfaceFactoryManager::~NetworkInterfaceFactoryManager() = default;

void NetworkInterfaceFactoryManager::addFactory(NetworkInterfaceFactory* factory) {
  if (!factory) {
    CEGUI::NullObjectException error(
        "NetworkInterfaceFactoryManager::addFactory - The provided NetworkInterfaceFactoryManager "
        "pointer was invalid.",
        kSource, __LINE__, "addFactory");
    throw error;
  }
  if (factories_.count(factory->getTypeName())) {
    CEGUI::AlreadyExistsException error(
        "NetworkInterfaceFactoryManager::addFactory - A NetworkInterfaceFactoryManager for type "
        "is already registered.",
        kSource, __LINE__, "addFactory");
    throw error;
  }
  factories_[factory->getTypeName()].reset(factory);
}

NetworkInterfaceFactory* NetworkInterfaceFactoryManager::getFactory(const std::wstring& typeName) const {
  auto it = factories_.find(typeName);
  return it == factories_.end() ? nullptr : it->second.get();
}

void NetworkInterfaceFactoryManager::removeFactory(const std::wstring& typeName) {
  factories_.erase(typeName);
}

void NetworkInterfaceFactoryManager::removeFactory(NetworkInterfaceFactory* factory) {
  for (auto it = factories_.begin(); it != factories_.end(); ++it)
    if (it->second.get() == factory) {
      factories_.erase(it);
      return;
    }
}

void NetworkInterfaceFactoryManager::removeAllFactories() { factories_.clear(); }
